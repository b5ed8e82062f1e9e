// Bitmap and metafile pictures of the plot, and the viewer for each picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "export/bitmap.h"
#include "export/emf/metafile_recording.h"
#include "export/export_fixtures.h"
#include "export/picture_commands.h"

using namespace difscop;
using namespace difscop::exporter;
using namespace difscop::test;
using Words = std::vector<std::uint32_t>;
using Ints = std::vector<int>;

namespace {

// The 32-bit words from byte `from` up to byte `to`.
Words U32s(const std::string& b, std::size_t from, std::size_t to) {
  Words out((to - from) / 4);
  std::memcpy(out.data(), b.data() + from, out.size() * 4);
  return out;
}
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
Words Fields(const std::string& emf, std::uint32_t type, std::size_t offset = 0) {
  Words out;
  for (std::size_t at = 0, size = 8; at + 8 <= emf.size() && size >= 8; at += size) {
    size = U32s(emf, at + 4, at + 8)[0];
    if (type == 0 || U32s(emf, at, at + 4)[0] == type)
      out.push_back(U32s(emf, at + offset, at + offset + 4)[0]);
  }
  return out;
}
int Count(const std::string& emf, std::uint32_t type) {
  return static_cast<int>(Fields(emf, type).size());
}
// Labels are written as ANSI or as UTF-16 text.
bool HasText(const std::string& emf, const std::string& text) {
  std::string wide;
  for (char c : text) wide += std::string{c, '\0'};
  return emf.find(text) != std::string::npos || emf.find(wide) != std::string::npos;
}

}  // namespace

TEST(Bitmap, LayoutRowsSizesTheDefaultNameAndTheCommand) {
  const std::string bmp = EncodeBitmap(Gradient(101, 50));
  // Rows of 3 * 101 = 303 bytes padded to 304; 50 rows; 54 header bytes.
  ASSERT_EQ(bmp.size(), 15254u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(U32s(bmp, 2, 54),
            (Words{15254, 0, 54, 40, 101, 50, 1 | 24 << 16, 0, 15200, 0, 0, 0, 0}));
  // The file's first row is the picture's bottom row (y = 49), blue first, padded with a zero;
  // the last row in the file is the top row.
  EXPECT_EQ(bmp.substr(54, 3) + bmp.substr(54 + 300, 4) + bmp.substr(54 + 49 * 304, 3),
            std::string("\x7F\x31\0\x7F\x31\x64\0\x7F\0\0", 10));
  for (auto [w, row] : {std::pair{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}})
    EXPECT_EQ(EncodeBitmap(Gradient(w, 3)).size(), 54u + 3 * row) << w;
  // Nothing to write: no width, no height, or fewer pixels than the size says.
  PixelImage shortImage = Gradient(4, 4);
  shortImage.pixels.pop_back();
  for (const PixelImage& image :
       {PixelImage{}, PixelImage{0, 5, {}}, PixelImage{5, 0, {}}, shortImage})
    EXPECT_TRUE(EncodeBitmap(image).empty()) << image.width << "x" << image.height;
  // The default name cuts the file name, not the directory, at its first dot.
  EXPECT_EQ(DefaultBitmapName("C:\\data\\quartz.raw"), "C:\\data\\quartz.bmp");
  EXPECT_EQ(DefaultBitmapName("/home/u/.local/run-1.2/quartz.v2.raw"),
            "/home/u/.local/run-1.2/quartz.bmp");
  TempDir dir;
  auto ws = MakePattern(25);
  ws->dataFilePath = (dir / "quartz.raw").string();
  const CaptureFunction capture = [] { return std::optional(Gradient(101, 50)); };
  const std::string out = (dir / "plot.bmp").string();
  ScriptedPlatform platform;
  platform.saveAnswers = {std::nullopt, out, out, out, (dir / "none" / "x.bmp").string()};
  platform.okCancelAnswers = {false, true, true, true};
  ExportBitmapCommand(*ws, platform, capture);  // Cancel in the save dialog
  EXPECT_EQ(SaveDialogs(platform),
            Texts{"Bit Map File (*.bmp)|*.bmp|| .bmp " + (dir / "quartz.bmp").string()});
  EXPECT_TRUE(ws->bmpFilePath.empty());
  // Cancel at "Are you sure ?": the path is kept, nothing written.
  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ(platform.questions, Texts{"Are you sure ?"});
  EXPECT_EQ(ws->bmpFilePath, out);
  EXPECT_FALSE(fs::exists(out));
  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ((Ints{ws->bmpWritten, platform.repaints}), (Ints{1, 1}));
  EXPECT_EQ(ReadFile(out), EncodeBitmap(Gradient(101, 50)));
  // No pixels, or a file that cannot be written: the message, the old file kept.
  ws->bmpWritten = 0;
  ExportBitmapCommand(*ws, platform, [] { return std::optional<PixelImage>(); });
  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ(platform.Headlines(), Texts(2, "BitMap file save failed !!!"));
  EXPECT_EQ(ws->bmpWritten, 0);
  EXPECT_EQ(ReadFile(out), EncodeBitmap(Gradient(101, 50)));
}

TEST(Metafile, RecordsThePlotScaledToItsFrameAndWhatDrawsOnly) {
  auto ws = MakePattern(25);
  ScriptedPlatform platform;
  std::string emf = PaintMetafile(*ws, platform, {300, 200, 26, 27});
  const Words types = Fields(emf, 0);
  ASSERT_GE(types.size(), 3u);
  EXPECT_EQ((Words{types.front(), types.back()}), (Words{kEmrHeader, kEmrEof}));
  // The frame in hundredths of a millimetre from the pixel size; " EMF",
  // the version, the size and the record count.
  EXPECT_EQ(U32s(emf, 24, 56), (Words{0, 0, 300 * 26, 200 * 27, 0x464D4520u, 0x10000,
                                      static_cast<std::uint32_t>(emf.size()),
                                      static_cast<std::uint32_t>(types.size())}));
  // Pixels mapped onto the frame (MM_ANISOTROPIC, the window the pixel size),
  // not clipped to it.
  EXPECT_EQ((Words{Fields(emf, kEmrSetMapMode, 8)[0], Fields(emf, kEmrSetWindowExt, 8)[0],
                   Fields(emf, kEmrSetWindowExt, 12)[0]}),
            (Words{8, 300, 200}));
  // Dots for points 2 to 24 (which fall into two pixel columns: one dot per pixel, 18), the
  // frame outline as one path, ticks as lines, the labels.
  EXPECT_EQ(
      (Ints{Count(emf, kEmrSetViewportExt), Count(emf, kEmrEllipse), Count(emf, kEmrPolyline16)}),
      (Ints{1, 18, 2}));
  EXPECT_GE(std::min(Count(emf, kEmrLineTo) / 8, Count(emf, kEmrCreateFont)), 1);
  for (const char* label : {"Intensity / cps", "Two theta / deg"})
    EXPECT_TRUE(HasText(emf, label)) << label;
  EXPECT_EQ(ws->plotDrawn, 1);

  // No record for an empty text or a one-point line, none after the end.
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
  emf = surface.Finish();
  // LOGPEN after the handle: style (PS_SOLID, PS_DOT), then the colour.
  EXPECT_EQ(Fields(emf, kEmrCreatePen, 12), (Words{0, 2}));
  EXPECT_EQ(Fields(emf, kEmrCreatePen, 24), (Words{0x0000FF, 0x00FF00}));
  EXPECT_EQ((Ints{Count(emf, kEmrCreateFont), Count(emf, kEmrTextA) + Count(emf, kEmrTextW),
                  Count(emf, kEmrPolyline16)}),
            (Ints{1, 1, 1}));
  EXPECT_TRUE(HasText(emf, "ab"));
  surface.LineTo(9, 9);
  EXPECT_TRUE(surface.Finish().empty());
  EXPECT_FALSE(surface.Recording());
}

TEST(PictureCommands, MetafileRecordedByThePaintAndEachPictureViewedThroughTheOpener) {
  TempDir dir;
  auto ws = MakePattern(25);
  ScriptedPlatform platform;
  // The recording flag, colour, View EMF offered, repaints.
  const auto state = [&] {
    return Ints{ws->recordingMetafile, ws->colorDrawing, ws->emfWritten, platform.repaints};
  };
  ExportEmfCommand(*ws, platform, false);  // Cancel
  EXPECT_EQ(state(), (Ints{0, 1, 0, 0}));
  EXPECT_EQ(SaveDialogs(platform),
            Texts{"Extended Metafile (*.emf)|*.emf|Other Files (*.*)|*.*|| .emf "});
  const std::string out = (dir / "plot.emf").string();
  platform.saveAnswers = {out};
  ExportEmfCommand(*ws, platform, false);
  EXPECT_EQ(state(), (Ints{1, 0, 1, 1}));  // View EMF is offered before the paint
  ASSERT_TRUE(RecordMetafile(*ws, platform, {320, 240, 26, 26}));
  EXPECT_EQ(state(), (Ints{0, 1, 1, 1}));
  // Black and white: every pen is the ink; in colour the dots are colObs.
  const Words mono = Fields(ReadFile(out), kEmrCreatePen, 24);
  EXPECT_EQ(mono, Words(std::max<std::size_t>(mono.size(), 1), 0));
  const Words colour = Fields(PaintMetafile(*ws, platform, {320, 240, 26, 26}), kEmrCreatePen, 24);
  EXPECT_NE(std::find(colour.begin(), colour.end(), ws->colObs), colour.end());
  // A file that cannot be written still ends the recording.
  ws->emfFilePath = (dir / "none" / "x.emf").string();
  ws->recordingMetafile = 1;
  ws->colorDrawing = 0;
  EXPECT_FALSE(RecordMetafile(*ws, platform, {320, 240, 26, 26}));
  EXPECT_EQ(platform.Headlines(), Texts{"Cannot File Open !!"});
  EXPECT_EQ(state(), (Ints{0, 1, 1, 1}));
  EXPECT_EQ((Ints{PixelSizeHundredthsMm(508.0, 1920), PixelSizeHundredthsMm(345.0, 1366)}),
            (Ints{26, 25}));

  // Each picture is viewed through the desktop opener (found and run as the platform tests say).
  ws->sma4FilePath = (dir / "a b.smp").string();
  ws->emfFilePath = (dir / "p.emf").string();
  ws->bmpFilePath = (dir / "p.bmp").string();
  for (const std::string& path : {ws->sma4FilePath, ws->emfFilePath, ws->bmpFilePath})
    WriteFile(path, "x");
  // A stand-in opener that fails by the kind of file it is given.
  WriteFile(dir / "xdg-open", "#!/bin/sh\ncase \"$1\" in *.emf) exit 4;; *.bmp) exit 3;; esac\n");
  fs::permissions(dir / "xdg-open", fs::perms::owner_all);
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", dir.path().c_str(), 1);
  ScriptedPlatform viewer;
  for (Picture p : {Picture::kSma4, Picture::kEmf, Picture::kBmp})
    ViewGraphicsCommand(*ws, viewer, p);
  setenv("PATH", savedPath.c_str(), 1);
  const std::string why = "Cannot execute smp file !!!\n";
  EXPECT_EQ(viewer.messages,
            (Texts{why + ws->emfFilePath + ": no program opened it (xdg-open exit status 4)",
                   why + ws->bmpFilePath + ": no program opened it (xdg-open exit status 3)"}));
  EXPECT_EQ(viewer.beeps, 0);  // the message box is the one beep
}
