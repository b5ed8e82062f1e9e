#include "export/emf/emf_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

// libEMF's Wine-style headers: kept to this file, their min/max out.
#define NOMINMAX
#include <emf.h>
// Names the Windows headers turn into macros and the Surface uses itself.
#undef TextOut
#undef SetFont

namespace difscop::exporter {

using plot::Colour;
using plot::DevicePoint;
using plot::FontSpec;
using plot::Rect;
using plot::TextSize;

struct EmfSurface::Impl {
  FILE* file = nullptr;
  HDC dc = 0;
  HPEN pen = 0;
  HBRUSH brush = 0;  // 0: the hollow stock brush is selected
  HFONT font = 0;
  FontSpec fontSpec;
  TextMeasure measure;

  bool Live() const { return dc != 0; }

  void Replace(HGDIOBJ& current, HGDIOBJ next) {
    SelectObject(dc, next);
    if (current) DeleteObject(current);
    current = next;
  }

  void Release() {
    if (pen) DeleteObject(pen);
    if (brush) DeleteObject(brush);
    if (font) DeleteObject(font);
    pen = 0;
    brush = 0;
    font = 0;
  }
};

EmfSurface::EmfSurface(int width, int height, int pixelWidth, int pixelHeight, TextMeasure measure)
    : impl_(std::make_unique<Impl>()) {
  impl_->measure = std::move(measure);
  width = std::max(width, 1);
  height = std::max(height, 1);
  pixelWidth = std::max(pixelWidth, 1);
  pixelHeight = std::max(pixelHeight, 1);
  impl_->file = std::tmpfile();
  if (!impl_->file) return;
  // The picture frame in hundredths of a millimetre.
  RECT frame{0, 0, width * pixelWidth, height * pixelHeight};
  impl_->dc = CreateEnhMetaFileWithFILEA(0, impl_->file, &frame, nullptr);
  if (!impl_->dc) return;
  // Draw in screen pixels; the viewport maps them onto the frame in the
  // reference device's units, so readers scale the picture instead of
  // clipping it to the pixel count.
  int deviceX = GetDeviceCaps(impl_->dc, HORZRES);
  int deviceY = GetDeviceCaps(impl_->dc, VERTRES);
  int millimetresX = GetDeviceCaps(impl_->dc, HORZSIZE);
  int millimetresY = GetDeviceCaps(impl_->dc, VERTSIZE);
  int viewportX = width;
  int viewportY = height;
  if (deviceX > 0 && deviceY > 0 && millimetresX > 0 && millimetresY > 0) {
    viewportX = static_cast<int>(std::lround(frame.right / 100.0 * deviceX / millimetresX));
    viewportY = static_cast<int>(std::lround(frame.bottom / 100.0 * deviceY / millimetresY));
  }
  SetMapMode(impl_->dc, MM_ANISOTROPIC);
  SetWindowOrgEx(impl_->dc, 0, 0, nullptr);
  SetWindowExtEx(impl_->dc, width, height, nullptr);
  SetViewportOrgEx(impl_->dc, 0, 0, nullptr);
  SetViewportExtEx(impl_->dc, std::max(viewportX, 1), std::max(viewportY, 1), nullptr);
  SetTextAlign(impl_->dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
  SelectObject(impl_->dc, GetStockObject(NULL_BRUSH));
}

EmfSurface::~EmfSurface() {
  if (impl_->dc) {
    HENHMETAFILE picture = CloseEnhMetaFileWithFILE(impl_->dc);
    if (picture) DeleteEnhMetaFile(picture);
    impl_->Release();
  }
  if (impl_->file) std::fclose(impl_->file);
}

bool EmfSurface::Recording() const {
  return impl_->Live();
}

std::string EmfSurface::Finish() {
  if (!impl_->Live()) return {};
  SelectObject(impl_->dc, GetStockObject(BLACK_PEN));
  SelectObject(impl_->dc, GetStockObject(NULL_BRUSH));
  HENHMETAFILE picture = CloseEnhMetaFileWithFILE(impl_->dc);
  impl_->dc = 0;
  impl_->Release();
  if (!picture) return {};
  DeleteEnhMetaFile(picture);
  std::string bytes;
  std::FILE* f = impl_->file;
  if (std::fflush(f) != 0 || std::fseek(f, 0, SEEK_SET) != 0) return {};
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  if (std::ferror(f)) return {};
  return bytes;
}

void EmfSurface::FillRect(const Rect& rect, Colour colour) {
  if (!impl_->Live() || rect.right <= rect.left || rect.bottom <= rect.top) return;
  HDC dc = impl_->dc;
  HBRUSH fill = CreateSolidBrush(colour);
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  // Without a pen the rectangle loses its right and bottom edges, which lie
  // outside our rectangles anyway: one more on each side covers the rest.
  Rectangle(dc, rect.left, rect.top, rect.right + 1, rect.bottom + 1);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(fill);
}

void EmfSurface::SetPen(const plot::Pen& pen) {
  if (!impl_->Live()) return;
  int style = pen.style == plot::PenStyle::Dot ? PS_DOT : PS_SOLID;
  HGDIOBJ current = impl_->pen;
  impl_->Replace(current, CreatePen(style, std::max(pen.width, 1), pen.colour));
  impl_->pen = static_cast<HPEN>(current);
}

void EmfSurface::SetBrush(std::optional<Colour> fill) {
  if (!impl_->Live()) return;
  if (fill) {
    HGDIOBJ current = impl_->brush;
    impl_->Replace(current, CreateSolidBrush(*fill));
    impl_->brush = static_cast<HBRUSH>(current);
  } else {
    SelectObject(impl_->dc, GetStockObject(NULL_BRUSH));
    if (impl_->brush) DeleteObject(impl_->brush);
    impl_->brush = 0;
  }
}

void EmfSurface::MoveTo(int x, int y) {
  if (impl_->Live()) MoveToEx(impl_->dc, x, y, nullptr);
}

void EmfSurface::LineTo(int x, int y) {
  if (impl_->Live()) ::LineTo(impl_->dc, x, y);
}

void EmfSurface::Polyline(std::span<const DevicePoint> points) {
  if (!impl_->Live() || points.size() < 2) return;
  std::vector<POINT> p(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) p[i] = {points[i].x, points[i].y};
  ::Polyline(impl_->dc, p.data(), static_cast<int>(p.size()));
  MoveToEx(impl_->dc, p.back().x, p.back().y, nullptr);
}

void EmfSurface::Ellipse(const Rect& box) {
  if (impl_->Live()) ::Ellipse(impl_->dc, box.left, box.top, box.right, box.bottom);
}

void EmfSurface::SetFont(const FontSpec& font) {
  if (!impl_->Live()) return;
  impl_->fontSpec = font;
  HGDIOBJ current = impl_->font;
  impl_->Replace(
      current, CreateFontA(font.height, font.width, font.escapement, font.escapement, FW_NORMAL, 0,
                           0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_ROMAN, font.face.c_str()));
  impl_->font = static_cast<HFONT>(current);
}

void EmfSurface::SetTextColour(Colour colour) {
  if (impl_->Live()) SetTextColor(impl_->dc, colour);
}

void EmfSurface::SetTransparentText(bool transparent) {
  if (impl_->Live()) SetBkMode(impl_->dc, transparent ? TRANSPARENT : OPAQUE);
}

namespace {

// The plot's texts are UTF-8; the metafile's text records take the Western
// code page: Latin-1 characters as they are, a superscript minus as a
// minus, anything else as "?".
std::string ToLatin1(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (i + length > text.size()) length = 1;
    unsigned code = length == 1 ? c : c & (0x7F >> length);
    for (int k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out += code < 0x100 ? static_cast<char>(code) : code == 0x207B ? '-' : '?';
    i += static_cast<std::size_t>(length);
  }
  return out;
}

}  // namespace

void EmfSurface::TextOut(int x, int y, std::string_view text) {
  if (!impl_->Live() || text.empty()) return;
  std::string s = ToLatin1(text);
  TextOutA(impl_->dc, x, y, s.c_str(), static_cast<int>(s.size()));
}

TextSize EmfSurface::TextExtent(std::string_view text) {
  if (impl_->measure) return impl_->measure(impl_->fontSpec, text);
  // Serif digits are about half as wide as the cell is high.
  const FontSpec& f = impl_->fontSpec;
  int perCharacter = f.width > 0 ? f.width : std::max(f.height / 2, 1);
  return {perCharacter * static_cast<int>(text.size()), f.height};
}

int PixelSizeHundredthsMm(double screenMillimetres, int screenPixels) {
  if (screenPixels <= 0 || screenMillimetres <= 0) return 26;  // 96 dots per inch
  return std::max(1, static_cast<int>(std::lround(screenMillimetres * 100.0 / screenPixels)));
}

}  // namespace difscop::exporter
