// Bitmap and metafile pictures of the plot, and the viewer for each picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>

#include "export/bitmap.h"
#include "export/emf/metafile_recording.h"
#include "export/export_fixtures.h"
#include "export/picture_commands.h"
#include "platform/scripted_platform.h"

namespace fs = std::filesystem;
using namespace difscop;
using namespace difscop::exporter;
using difscop::platform::ScriptedPlatform;
using difscop::test::MakePattern;
using difscop::test::ReadFile;
using difscop::test::TempDir;
using Texts = std::vector<std::string>;

namespace {

std::uint32_t U32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
std::int32_t I32(const std::string& b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }
unsigned Byte(const std::string& b, std::size_t at) { return static_cast<unsigned char>(b[at]); }

PixelImage Gradient(int w, int h) {
  PixelImage image{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.pixels.push_back(0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x7F);
  return image;
}

constexpr std::uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrSetWindowExt = 9, kEmrSetViewportExt = 11,
                        kEmrSetMapMode = 17, kEmrCreatePen = 38, kEmrEllipse = 42, kEmrLineTo = 54,
                        kEmrCreateFont = 82, kEmrTextA = 83, kEmrTextW = 84, kEmrPolyline16 = 87;

// The records of a metafile in order: type, offset and, for the checks
// below, the pens' styles and colours (LOGPEN after the handle) and the
// texts (EMREXTTEXTOUT: its EMRTEXT after 36 bytes, ASCII labels only).
struct Metafile {
  std::vector<std::pair<std::uint32_t, std::size_t>> records;
  std::map<std::uint32_t, int> counts;
  std::vector<std::uint32_t> penStyles, penColours;
  Texts texts;

  explicit Metafile(const std::string& emf) {
    for (std::size_t at = 0; at + 8 <= emf.size();) {
      const std::uint32_t type = U32(emf, at), size = U32(emf, at + 4);
      records.push_back({type, at});
      ++counts[type];
      if (type == kEmrCreatePen) {
        penStyles.push_back(U32(emf, at + 12));
        penColours.push_back(U32(emf, at + 24));
      }
      if (type == kEmrTextA || type == kEmrTextW) {
        const std::uint32_t count = U32(emf, at + 44), offset = U32(emf, at + 48);
        std::string s;
        for (std::uint32_t i = 0; i < count; ++i) s += emf[at + offset + (type == kEmrTextA ? i : 2 * i)];
        texts.push_back(s);
      }
      if (size < 8 || size % 4 != 0) break;
      at += size;
    }
  }
};

}  // namespace

TEST(Bitmap, LayoutRowsAndSizes) {
  const std::string bmp = EncodeBitmap(Gradient(101, 50));
  // Rows of 3 * 101 = 303 bytes padded to 304; 50 rows; 54 header bytes.
  ASSERT_EQ(bmp.size(), 15254u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  const std::pair<std::size_t, std::uint32_t> header[] = {
      {2, 15254}, {6, 0}, {10, 54}, {14, 40}, {18, 101}, {22, 50}, {26, 1 | 24 << 16},
      {30, 0},    {34, 15200}, {38, 0}, {42, 0}, {46, 0}, {50, 0}};
  for (auto [at, value] : header) EXPECT_EQ(U32(bmp, at), value) << at;
  // The file's first row is the picture's bottom row (y = 49), blue first.
  EXPECT_EQ(bmp.substr(54, 3), std::string("\x7F\x31\0", 3));
  EXPECT_EQ(Byte(bmp, 54 + 3 * 100 + 2), 100u);
  EXPECT_EQ(Byte(bmp, 54 + 303), 0u);  // padding
  EXPECT_EQ(Byte(bmp, 54 + 49 * 304 + 1), 0u);  // the last row in the file is the top row

  for (auto [w, row] : {std::pair{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}}) {
    EXPECT_EQ(BitmapRowBytes(w), row) << w;
    EXPECT_EQ(EncodeBitmap(Gradient(w, 3)).size(), 54u + 3 * row) << w;
  }
  // Nothing to write: no width, no height, or fewer pixels than the size says.
  PixelImage shortImage = Gradient(4, 4);
  shortImage.pixels.pop_back();
  for (const PixelImage& image : {PixelImage{}, PixelImage{0, 5, {}}, PixelImage{5, 0, {}}, shortImage})
    EXPECT_TRUE(EncodeBitmap(image).empty()) << image.width << "x" << image.height;

  // The default name cuts the file name, not the directory, at its first dot.
  EXPECT_EQ(DefaultBitmapName("C:\\data\\quartz.raw"), "C:\\data\\quartz.bmp");
  EXPECT_EQ(DefaultBitmapName("/home/u/.local/run-1.2/quartz.v2.raw"), "/home/u/.local/run-1.2/quartz.bmp");
}

TEST(ExportBitmapCommand, CancelAtEachStepAndFailures) {
  TempDir dir;
  auto ws = MakePattern(25);
  ws->dataFilePath = (dir / "quartz.raw").string();
  int captures = 0;
  CaptureFunction capture = [&captures]() -> std::optional<PixelImage> {
    ++captures;
    return Gradient(101, 50);
  };
  const fs::path out = dir / "plot.bmp";
  ScriptedPlatform platform;
  platform.saveAnswers = {std::nullopt, out.string(), out.string(), out.string(),
                          (dir / "none" / "x.bmp").string()};
  platform.okCancelAnswers = {false, true, true, true};

  ExportBitmapCommand(*ws, platform, capture);  // Cancel in the save dialog
  ASSERT_EQ(platform.saveRequests.size(), 1u);
  EXPECT_EQ(platform.saveRequests[0].filter, "Bit Map File (*.bmp)|*.bmp||");
  EXPECT_EQ(platform.saveRequests[0].initialName, (dir / "quartz.bmp").string());
  EXPECT_TRUE(ws->bmpFilePath.empty());

  // Cancel at "Are you sure ?": the path is kept, nothing written.
  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ(platform.questions, Texts{"Are you sure ?"});
  EXPECT_EQ(ws->bmpFilePath, out.string());
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(captures, 0);

  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ(ws->bmpWritten, 1);
  EXPECT_EQ(platform.repaints, 1);
  EXPECT_EQ(ReadFile(out), EncodeBitmap(Gradient(101, 50)));
  EXPECT_TRUE(platform.messages.empty());

  // No pixels, or a file that cannot be written: the message, the old file kept.
  ws->bmpWritten = 0;
  ExportBitmapCommand(*ws, platform, [] { return std::optional<PixelImage>(); });
  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ(platform.Headlines(), Texts(2, "BitMap file save failed !!!"));
  EXPECT_EQ(ws->bmpWritten, 0);
  EXPECT_EQ(ReadFile(out), EncodeBitmap(Gradient(101, 50)));
}

TEST(Metafile, RecordsThePlotScaledToItsFrame) {
  auto ws = MakePattern(25);
  ws->xMin = 10;
  ws->xMax = 11;
  ws->yMax = 6000;
  ws->yTick = 1000;
  ScriptedPlatform platform;
  const std::string emf = PaintMetafile(*ws, platform, {300, 200, 26, 27});
  const Metafile m(emf);
  ASSERT_GE(m.records.size(), 3u);
  EXPECT_EQ(m.records.front().first, kEmrHeader);
  EXPECT_EQ(m.records.back().first, kEmrEof);
  EXPECT_EQ(U32(emf, 40), 0x464D4520u);  // " EMF"
  EXPECT_EQ(U32(emf, 48), emf.size());
  EXPECT_EQ(U32(emf, 52), m.records.size());
  // Frame in hundredths of a millimetre from the pixel size.
  EXPECT_EQ(I32(emf, 24) | I32(emf, 28), 0);
  EXPECT_NEAR(I32(emf, 32), 300 * 26, 1);
  EXPECT_NEAR(I32(emf, 36), 200 * 27, 1);
  // Pixels mapped onto the frame (MM_ANISOTROPIC), not clipped to it.
  for (std::uint32_t type : {kEmrSetMapMode, kEmrSetWindowExt, kEmrSetViewportExt})
    EXPECT_EQ(m.counts.at(type), 1) << type;
  for (auto [type, at] : m.records) {
    if (type == kEmrSetMapMode) {
      EXPECT_EQ(U32(emf, at + 8), 8u);
    }
    if (type == kEmrSetWindowExt) {
      EXPECT_EQ(U32(emf, at + 8) | U32(emf, at + 12) << 16, 300u | 200u << 16);
    }
  }
  // Dots for points 2 to 24, the frame outline as one path, ticks as lines, the labels.
  EXPECT_EQ(m.counts.at(kEmrEllipse), 23);
  EXPECT_EQ(m.counts.at(kEmrPolyline16), 2);
  EXPECT_GE(m.counts.at(kEmrLineTo), 8);
  EXPECT_GE(m.counts.at(kEmrCreateFont), 1);
  for (const char* label : {"Intensity / cps", "Two theta / deg"})
    EXPECT_NE(std::find(m.texts.begin(), m.texts.end(), label), m.texts.end()) << label;
  EXPECT_EQ(ws->plotDrawn, 1);
}

TEST(EmfSurface, RecordsWhatDrawsAndNothingElse) {
  EmfSurface surface(100, 80, 26, 26);
  ASSERT_TRUE(surface.Recording());
  surface.SetPen({0x0000FF, 1, plot::PenStyle::Solid});
  surface.SetPen({0x00FF00, 2, plot::PenStyle::Dot});
  surface.SetFont({});
  surface.TextOut(5, 5, "");
  surface.TextOut(5, 5, "ab");
  const workspace::DevicePoint one[] = {{1, 1}}, two[] = {{1, 1}, {5, 5}};
  surface.Polyline(one);
  surface.Polyline(two);
  const Metafile m(surface.Finish());
  EXPECT_EQ(m.penStyles, (std::vector<std::uint32_t>{0, 2}));  // PS_SOLID, PS_DOT
  EXPECT_EQ(m.penColours, (std::vector<std::uint32_t>{0x0000FF, 0x00FF00}));
  EXPECT_EQ(m.counts.count(kEmrCreateFont), 1u);
  EXPECT_EQ(m.texts, Texts{"ab"});
  EXPECT_EQ(m.counts.count(kEmrPolyline16) ? m.counts.at(kEmrPolyline16) : 0, 1);
  surface.LineTo(9, 9);  // after the end, nothing is recorded
  EXPECT_TRUE(surface.Finish().empty());
  EXPECT_FALSE(surface.Recording());
}

TEST(ExportEmfCommand, RecordingIsMadeByThePaintAndRestoresColour) {
  TempDir dir;
  auto ws = MakePattern(25);
  ScriptedPlatform platform;
  ExportEmfCommand(*ws, platform, false);  // Cancel
  EXPECT_EQ(ws->recordingMetafile, 0);
  EXPECT_EQ(ws->colorDrawing, 1);
  ASSERT_EQ(platform.saveRequests.size(), 1u);
  EXPECT_EQ(platform.saveRequests[0].filter, "Extended Metafile (*.emf)|*.emf|Other Files (*.*)|*.*||");
  EXPECT_EQ(platform.saveRequests[0].defaultExtension, ".emf");

  const fs::path out = dir / "plot.emf";
  platform.saveAnswers.push_back(out.string());
  ExportEmfCommand(*ws, platform, false);
  EXPECT_EQ(ws->recordingMetafile, 1);
  EXPECT_EQ(ws->colorDrawing, 0);
  EXPECT_EQ(ws->emfWritten, 1);  // View EMF is offered before the paint
  EXPECT_EQ(ws->emfFilePath, out.string());
  EXPECT_EQ(platform.repaints, 1);

  ASSERT_TRUE(RecordMetafile(*ws, platform, {320, 240, 26, 26}));
  EXPECT_EQ(ws->recordingMetafile, 0);
  EXPECT_EQ(ws->colorDrawing, 1);
  const std::string emf = ReadFile(out);
  ASSERT_GT(emf.size(), 100u);
  EXPECT_EQ(U32(emf, 40), 0x464D4520u);
  // Black and white: every pen is the ink; in colour the dots are colObs.
  const std::vector<std::uint32_t> mono = Metafile(emf).penColours;
  ASSERT_FALSE(mono.empty());
  EXPECT_EQ(std::count(mono.begin(), mono.end(), 0u), static_cast<long>(mono.size()));
  const std::vector<std::uint32_t> colour = Metafile(PaintMetafile(*ws, platform, {320, 240, 26, 26})).penColours;
  EXPECT_NE(std::find(colour.begin(), colour.end(), ws->colObs), colour.end());

  // A file that cannot be written still ends the recording.
  ws->emfFilePath = (dir / "none" / "x.emf").string();
  ws->recordingMetafile = 1;
  ws->colorDrawing = 0;
  EXPECT_FALSE(RecordMetafile(*ws, platform, {320, 240, 26, 26}));
  EXPECT_EQ(platform.Headlines(), Texts{"Cannot File Open !!"});
  EXPECT_EQ(ws->recordingMetafile, 0);
  EXPECT_EQ(ws->colorDrawing, 1);

  EXPECT_EQ(PixelSizeHundredthsMm(508.0, 1920), 26);
  EXPECT_EQ(PixelSizeHundredthsMm(345.0, 1366), 25);
}

TEST(ViewGraphicsCommand, OpensEachPictureThroughTheDesktopOpenerOrSaysWhy) {
  TempDir dir;
  auto ws = MakePattern(5);
  ws->sma4FilePath = (dir / "a b.smp").string();
  ws->emfFilePath = (dir / "p.emf").string();
  ws->bmpFilePath = (dir / "p.bmp").string();
  for (const std::string& path : {ws->sma4FilePath, ws->emfFilePath, ws->bmpFilePath})
    test::WriteFile(path, "x");
  // A stand-in opener notes each file it is given and fails for BMP.
  const fs::path seen = dir / "seen.txt";
  test::WriteFile(dir / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + seen.string() +
                                        "\"\ncase \"$1\" in *.bmp) exit 3;; esac\n");
  fs::permissions(dir / "xdg-open", fs::perms::owner_all);
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath ? oldPath : "";
  setenv("PATH", dir.path().c_str(), 1);
  ScriptedPlatform platform;
  for (Picture p : {Picture::kSma4, Picture::kEmf, Picture::kBmp}) ViewGraphicsCommand(*ws, platform, p);
  fs::remove(ws->emfFilePath);
  ViewGraphicsCommand(*ws, platform, Picture::kEmf);
  setenv("PATH", savedPath.c_str(), 1);
  EXPECT_EQ(ReadFile(seen), ws->sma4FilePath + "\n" + ws->emfFilePath + "\n" + ws->bmpFilePath + "\n");
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(platform.messages[0], "Cannot execute smp file !!!\n" + ws->bmpFilePath +
                                      ": no program opened it (xdg-open exit status 3)");
  EXPECT_EQ(platform.messages[1].rfind("Cannot execute smp file !!!\n" + ws->emfFilePath + ": ", 0), 0u);
  EXPECT_EQ(platform.beeps, 0);  // the message box is the one beep
}
