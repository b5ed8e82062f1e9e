// Bitmap and metafile pictures of the plot, and the viewer for each picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

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

// The 32-bit field at `offset` of each record of `type` (0: the type itself,
// so its size is the record count); a type of 0 takes every record.
std::vector<std::uint32_t> Fields(const std::string& emf, std::uint32_t type, std::size_t offset = 0) {
  std::vector<std::uint32_t> out;
  for (std::size_t at = 0, size = 8; at + 8 <= emf.size() && size >= 8; at += size) {
    size = U32(emf, at + 4);
    if (type == 0 || U32(emf, at) == type) out.push_back(U32(emf, at + offset));
  }
  return out;
}
int Count(const std::string& emf, std::uint32_t type) { return static_cast<int>(Fields(emf, type).size()); }
// Labels are written as ANSI or as UTF-16 text.
bool HasText(const std::string& emf, const std::string& text) {
  std::string wide;
  for (char c : text) wide += std::string{c, '\0'};
  return emf.find(text) != std::string::npos || emf.find(wide) != std::string::npos;
}

}  // namespace

TEST(Bitmap, LayoutRowsAndSizes) {
  const std::string bmp = EncodeBitmap(Gradient(101, 50));
  // Rows of 3 * 101 = 303 bytes padded to 304; 50 rows; 54 header bytes.
  ASSERT_EQ(bmp.size(), 15254u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  std::vector<std::uint32_t> header;
  for (std::size_t at = 2; at < 54; at += 4) header.push_back(U32(bmp, at));
  EXPECT_EQ(header, (std::vector<std::uint32_t>{15254, 0, 54, 40, 101, 50, 1 | 24 << 16, 0, 15200, 0, 0,
                                                0, 0}));
  // The file's first row is the picture's bottom row (y = 49), blue first;
  // the last row in the file is the top row; rows are padded with zeros.
  EXPECT_EQ(bmp.substr(54, 3), std::string("\x7F\x31\0", 3));
  EXPECT_EQ((std::vector<unsigned>{Byte(bmp, 54 + 3 * 100 + 2), Byte(bmp, 54 + 303), Byte(bmp, 54 + 49 * 304 + 1)}),
            (std::vector<unsigned>{100, 0, 0}));
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

  // Cancel at "Are you sure ?": the path is kept, nothing captured or written.
  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ(platform.questions, Texts{"Are you sure ?"});
  EXPECT_EQ(ws->bmpFilePath, out.string());
  EXPECT_EQ((std::vector<int>{fs::exists(out), captures}), (std::vector<int>{0, 0}));

  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ((std::vector<int>{ws->bmpWritten, platform.repaints}), (std::vector<int>{1, 1}));
  EXPECT_EQ(ReadFile(out), EncodeBitmap(Gradient(101, 50)));

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
  const std::vector<std::uint32_t> types = Fields(emf, 0);
  ASSERT_GE(types.size(), 3u);
  EXPECT_EQ((std::vector<std::uint32_t>{types.front(), types.back()}),
            (std::vector<std::uint32_t>{kEmrHeader, kEmrEof}));
  // " EMF", the size and the record count; the frame in hundredths of a
  // millimetre from the pixel size.
  EXPECT_EQ((std::vector<std::uint32_t>{U32(emf, 40), U32(emf, 48), U32(emf, 52)}),
            (std::vector<std::uint32_t>{0x464D4520u, static_cast<std::uint32_t>(emf.size()),
                                        static_cast<std::uint32_t>(types.size())}));
  EXPECT_EQ(U32(emf, 24) | U32(emf, 28), 0u);
  EXPECT_NEAR(U32(emf, 32), 300 * 26, 1);
  EXPECT_NEAR(U32(emf, 36), 200 * 27, 1);
  // Pixels mapped onto the frame (MM_ANISOTROPIC, the window the pixel size),
  // not clipped to it.
  EXPECT_EQ(Fields(emf, kEmrSetMapMode, 8), std::vector<std::uint32_t>{8});
  EXPECT_EQ(Fields(emf, kEmrSetWindowExt, 8), std::vector<std::uint32_t>{300});
  EXPECT_EQ(Fields(emf, kEmrSetWindowExt, 12), std::vector<std::uint32_t>{200});
  EXPECT_EQ(Count(emf, kEmrSetViewportExt), 1);
  // Dots for points 2 to 24, the frame outline as one path, ticks as lines, the labels.
  EXPECT_EQ((std::vector<int>{Count(emf, kEmrEllipse), Count(emf, kEmrPolyline16)}), (std::vector<int>{23, 2}));
  EXPECT_GE(Count(emf, kEmrLineTo), 8);
  EXPECT_GE(Count(emf, kEmrCreateFont), 1);
  for (const char* label : {"Intensity / cps", "Two theta / deg"}) EXPECT_TRUE(HasText(emf, label)) << label;
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
  const std::string emf = surface.Finish();
  // LOGPEN after the handle: style (PS_SOLID, PS_DOT), then the colour.
  EXPECT_EQ(Fields(emf, kEmrCreatePen, 12), (std::vector<std::uint32_t>{0, 2}));
  EXPECT_EQ(Fields(emf, kEmrCreatePen, 24), (std::vector<std::uint32_t>{0x0000FF, 0x00FF00}));
  EXPECT_EQ((std::vector<int>{Count(emf, kEmrCreateFont), Count(emf, kEmrTextA) + Count(emf, kEmrTextW),
                              Count(emf, kEmrPolyline16)}),
            (std::vector<int>{1, 1, 1}));
  EXPECT_TRUE(HasText(emf, "ab"));
  surface.LineTo(9, 9);  // after the end, nothing is recorded
  EXPECT_TRUE(surface.Finish().empty());
  EXPECT_FALSE(surface.Recording());
}

TEST(ExportEmfCommand, RecordingIsMadeByThePaintAndRestoresColour) {
  TempDir dir;
  auto ws = MakePattern(25);
  ScriptedPlatform platform;
  // The recording flag, colour, View EMF offered, repaints.
  const auto state = [&] {
    return std::vector<int>{ws->recordingMetafile, ws->colorDrawing, ws->emfWritten, platform.repaints};
  };
  ExportEmfCommand(*ws, platform, false);  // Cancel
  EXPECT_EQ(state(), (std::vector<int>{0, 1, 0, 0}));
  ASSERT_EQ(platform.saveRequests.size(), 1u);
  EXPECT_EQ(platform.saveRequests[0].filter, "Extended Metafile (*.emf)|*.emf|Other Files (*.*)|*.*||");

  const fs::path out = dir / "plot.emf";
  platform.saveAnswers.push_back(out.string());
  ExportEmfCommand(*ws, platform, false);
  EXPECT_EQ(state(), (std::vector<int>{1, 0, 1, 1}));  // View EMF is offered before the paint
  EXPECT_EQ(ws->emfFilePath, out.string());

  ASSERT_TRUE(RecordMetafile(*ws, platform, {320, 240, 26, 26}));
  EXPECT_EQ(state(), (std::vector<int>{0, 1, 1, 1}));
  const std::string emf = ReadFile(out);
  ASSERT_GT(emf.size(), 100u);
  EXPECT_EQ(U32(emf, 40), 0x464D4520u);
  // Black and white: every pen is the ink; in colour the dots are colObs.
  const std::vector<std::uint32_t> mono = Fields(emf, kEmrCreatePen, 24);
  EXPECT_EQ(mono, std::vector<std::uint32_t>(std::max<std::size_t>(mono.size(), 1), 0));
  const std::vector<std::uint32_t> colour =
      Fields(PaintMetafile(*ws, platform, {320, 240, 26, 26}), kEmrCreatePen, 24);
  EXPECT_NE(std::find(colour.begin(), colour.end(), ws->colObs), colour.end());

  // A file that cannot be written still ends the recording.
  ws->emfFilePath = (dir / "none" / "x.emf").string();
  ws->recordingMetafile = 1;
  ws->colorDrawing = 0;
  EXPECT_FALSE(RecordMetafile(*ws, platform, {320, 240, 26, 26}));
  EXPECT_EQ(platform.Headlines(), Texts{"Cannot File Open !!"});
  EXPECT_EQ(state(), (std::vector<int>{0, 1, 1, 1}));

  EXPECT_EQ(PixelSizeHundredthsMm(508.0, 1920), 26);
  EXPECT_EQ(PixelSizeHundredthsMm(345.0, 1366), 25);
}

// (How the opener is found and run is the platform tests' part.)
TEST(ViewGraphicsCommand, OpensEachPictureThroughTheDesktopOpenerOrSaysWhy) {
  TempDir dir;
  auto ws = MakePattern(5);
  ws->sma4FilePath = (dir / "a b.smp").string();
  ws->emfFilePath = (dir / "p.emf").string();
  ws->bmpFilePath = (dir / "p.bmp").string();
  for (const std::string& path : {ws->sma4FilePath, ws->emfFilePath, ws->bmpFilePath}) test::WriteFile(path, "x");
  // A stand-in opener notes each file it is given and fails for BMP.
  const fs::path seen = dir / "seen.txt";
  test::WriteFile(dir / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + seen.string() +
                                        "\"\ncase \"$1\" in *.bmp) exit 3;; esac\n");
  fs::permissions(dir / "xdg-open", fs::perms::owner_all);
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", dir.path().c_str(), 1);
  ScriptedPlatform platform;
  for (Picture p : {Picture::kSma4, Picture::kEmf, Picture::kBmp}) ViewGraphicsCommand(*ws, platform, p);
  setenv("PATH", savedPath.c_str(), 1);
  EXPECT_EQ(ReadFile(seen), ws->sma4FilePath + "\n" + ws->emfFilePath + "\n" + ws->bmpFilePath + "\n");
  EXPECT_EQ(platform.messages, Texts{"Cannot execute smp file !!!\n" + ws->bmpFilePath +
                                     ": no program opened it (xdg-open exit status 3)"});
  EXPECT_EQ(platform.beeps, 0);  // the message box is the one beep
}
