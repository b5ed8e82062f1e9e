#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <thread>

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

namespace {

std::uint32_t U32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
std::int32_t I32(const std::string& b, std::size_t at) {
  return static_cast<std::int32_t>(U32(b, at));
}
std::uint16_t U16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}

PixelImage Gradient(int w, int h) {
  PixelImage image{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.pixels.push_back(0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x7F);
  return image;
}

// The records of a metafile: type and offset, in order.
struct Record {
  std::uint32_t type;
  std::size_t at;
  std::uint32_t size;
};
std::vector<Record> Records(const std::string& emf) {
  std::vector<Record> out;
  for (std::size_t at = 0; at + 8 <= emf.size();) {
    std::uint32_t size = U32(emf, at + 4);
    out.push_back({U32(emf, at), at, size});
    if (size < 8 || size % 4 != 0) break;
    at += size;
  }
  return out;
}

constexpr std::uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrSetWindowExt = 9, kEmrSetViewportExt = 11,
                        kEmrSetMapMode = 17, kEmrEllipse = 42, kEmrLineTo = 54, kEmrTextA = 83,
                        kEmrTextW = 84, kEmrCreatePen = 38, kEmrPolyline16 = 87;

// Colours of the pens the recording creates (LOGPEN after the handle).
std::vector<std::uint32_t> PenColours(const std::string& emf) {
  std::vector<std::uint32_t> out;
  for (const Record& r : Records(emf)) {
    if (r.type == kEmrCreatePen) out.push_back(U32(emf, r.at + 24));
  }
  return out;
}

// The strings of the text records, ANSI or wide (ASCII labels only).
std::vector<std::string> Texts(const std::string& emf) {
  std::vector<std::string> out;
  for (const Record& r : Records(emf)) {
    if (r.type != kEmrTextA && r.type != kEmrTextW) continue;
    // EMREXTTEXTOUT: 8 header, 16 bounds, 4 mode, 4 + 4 scales, then EMRTEXT
    // (reference point 8, count 4, string offset 4, ...), offsets from the record.
    std::size_t text = r.at + 36;
    std::uint32_t count = U32(emf, text + 8);
    std::uint32_t offset = U32(emf, text + 12);
    std::string s;
    for (std::uint32_t i = 0; i < count; ++i) {
      s += r.type == kEmrTextA ? emf[r.at + offset + i] : emf[r.at + offset + 2 * i];
    }
    out.push_back(s);
  }
  return out;
}

}  // namespace

TEST(Bitmap, LayoutRowsAndSizes) {
  PixelImage image = Gradient(101, 50);
  std::string bmp = EncodeBitmap(image);
  // Rows of 3 * 101 = 303 bytes padded to 304; 50 rows; 54 header bytes.
  ASSERT_EQ(bmp.size(), 15254u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(U32(bmp, 2), 15254u);
  EXPECT_EQ(U32(bmp, 6), 0u);
  EXPECT_EQ(U32(bmp, 10), 54u);
  EXPECT_EQ(U32(bmp, 14), 40u);
  EXPECT_EQ(I32(bmp, 18), 101);
  EXPECT_EQ(I32(bmp, 22), 50);
  EXPECT_EQ(U16(bmp, 26), 1);
  EXPECT_EQ(U16(bmp, 28), 24);
  EXPECT_EQ(U32(bmp, 30), 0u);
  EXPECT_EQ(U32(bmp, 34), 15200u);
  for (std::size_t at = 38; at < 54; at += 4) EXPECT_EQ(U32(bmp, at), 0u);
  // The file's first row is the picture's bottom row (y = 49), blue first.
  EXPECT_EQ(static_cast<unsigned char>(bmp[54]), 0x7F);
  EXPECT_EQ(static_cast<unsigned char>(bmp[55]), 49);
  EXPECT_EQ(static_cast<unsigned char>(bmp[56]), 0);
  EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 3 * 100 + 2]), 100);
  EXPECT_EQ(bmp[54 + 303], 0);  // padding
  // The last row in the file is the top row.
  EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 49 * 304 + 1]), 0);

  for (auto [w, row] : {std::pair{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}}) {
    EXPECT_EQ(BitmapRowBytes(w), row) << w;
    EXPECT_EQ(EncodeBitmap(Gradient(w, 3)).size(), 54u + 3 * row) << w;
  }
  // Nothing to write: no pixels, or fewer pixels than the size says.
  EXPECT_TRUE(EncodeBitmap(PixelImage{}).empty());
  PixelImage shortImage = Gradient(4, 4);
  shortImage.pixels.pop_back();
  EXPECT_TRUE(EncodeBitmap(shortImage).empty());
}

TEST(Bitmap, DefaultNameCutsTheFileNameAtItsFirstDot) {
  EXPECT_EQ(DefaultBitmapName("C:\\data\\quartz.raw"), "C:\\data\\quartz.bmp");
  EXPECT_EQ(DefaultBitmapName("/home/u/.local/run-1.2/quartz.v2.raw"),
            "/home/u/.local/run-1.2/quartz.bmp");
  EXPECT_EQ(DefaultBitmapName("/home/x/quartz"), "/home/x/quartz.bmp");
  EXPECT_EQ(DefaultBitmapName(""), ".bmp");
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
  ScriptedPlatform platform;

  ExportBitmapCommand(*ws, platform, capture);  // Cancel in the save dialog
  ASSERT_EQ(platform.saveRequests.size(), 1u);
  EXPECT_EQ(platform.saveRequests[0].filter, "Bit Map File (*.bmp)|*.bmp||");
  EXPECT_EQ(platform.saveRequests[0].initialName, (dir / "quartz.bmp").string());
  EXPECT_TRUE(ws->bmpFilePath.empty());

  // Cancel at "Are you sure ?": the path is kept, nothing written.
  fs::path out = dir / "plot.bmp";
  platform.saveAnswers.push_back(out.string());
  platform.okCancelAnswers.push_back(false);
  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ(platform.questions, std::vector<std::string>{"Are you sure ?"});
  EXPECT_EQ(ws->bmpFilePath, out.string());
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(captures, 0);
  EXPECT_EQ(ws->bmpWritten, 0);

  platform.saveAnswers.push_back(out.string());
  platform.okCancelAnswers.push_back(true);
  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ(ws->bmpWritten, 1);
  EXPECT_EQ(platform.repaints, 1);
  EXPECT_EQ(ReadFile(out), EncodeBitmap(Gradient(101, 50)));
  EXPECT_TRUE(platform.messages.empty());

  // No pixels, or a file that cannot be written: the message, the old file kept.
  ws->bmpWritten = 0;
  platform.saveAnswers.push_back(out.string());
  platform.okCancelAnswers.push_back(true);
  ExportBitmapCommand(*ws, platform, [] { return std::optional<PixelImage>(); });
  platform.saveAnswers.push_back((dir / "none" / "x.bmp").string());
  platform.okCancelAnswers.push_back(true);
  ExportBitmapCommand(*ws, platform, capture);
  EXPECT_EQ(platform.Headlines(), std::vector<std::string>(2, "BitMap file save failed !!!"));
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
  std::string emf = PaintMetafile(*ws, platform, {300, 200, 26, 27});
  std::vector<Record> records = Records(emf);
  ASSERT_GE(records.size(), 3u);
  EXPECT_EQ(records.front().type, kEmrHeader);
  EXPECT_EQ(records.back().type, kEmrEof);
  EXPECT_EQ(U32(emf, 40), 0x464D4520u);  // " EMF"
  EXPECT_EQ(U32(emf, 48), emf.size());
  EXPECT_EQ(U32(emf, 52), records.size());
  // Frame in hundredths of a millimetre from the pixel size.
  EXPECT_EQ(I32(emf, 24), 0);
  EXPECT_EQ(I32(emf, 28), 0);
  EXPECT_NEAR(I32(emf, 32), 300 * 26, 1);
  EXPECT_NEAR(I32(emf, 36), 200 * 27, 1);

  std::map<std::uint32_t, int> counts;
  for (const Record& r : records) counts[r.type]++;
  // Pixels mapped onto the frame, not clipped to it.
  EXPECT_EQ(counts[kEmrSetMapMode], 1);
  EXPECT_EQ(counts[kEmrSetWindowExt], 1);
  EXPECT_EQ(counts[kEmrSetViewportExt], 1);
  for (const Record& r : records) {
    if (r.type == kEmrSetMapMode) {
      EXPECT_EQ(U32(emf, r.at + 8), 8u);  // MM_ANISOTROPIC
    }
    if (r.type == kEmrSetWindowExt) {
      EXPECT_EQ(I32(emf, r.at + 8), 300);
      EXPECT_EQ(I32(emf, r.at + 12), 200);
    }
  }
  // Dots for points 2 to 24, lines for frame and ticks, the labels.
  EXPECT_EQ(counts[kEmrEllipse], 23);
  // The frame outline as one path, ticks as single lines.
  EXPECT_EQ(counts[kEmrPolyline16], 2);
  EXPECT_GE(counts[kEmrLineTo], 8);
  std::vector<std::string> texts = Texts(emf);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Intensity / cps"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Two theta / deg"), texts.end());
  EXPECT_EQ(ws->plotDrawn, 1);
}

TEST(ExportEmfCommand, RecordingIsMadeByThePaintAndRestoresColour) {
  TempDir dir;
  auto ws = MakePattern(25);
  ScriptedPlatform platform;
  ExportEmfCommand(*ws, platform, false);  // Cancel
  EXPECT_EQ(ws->recordingMetafile, 0);
  EXPECT_EQ(ws->colorDrawing, 1);
  ASSERT_EQ(platform.saveRequests.size(), 1u);
  EXPECT_EQ(platform.saveRequests[0].filter,
            "Extended Metafile (*.emf)|*.emf|Other Files (*.*)|*.*||");
  EXPECT_EQ(platform.saveRequests[0].defaultExtension, ".emf");

  fs::path out = dir / "plot.emf";
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
  std::string emf = ReadFile(out);
  ASSERT_GT(emf.size(), 100u);
  EXPECT_EQ(U32(emf, 40), 0x464D4520u);
  // Black and white: every pen is the ink; in colour the dots are colObs.
  std::vector<std::uint32_t> mono = PenColours(emf);
  ASSERT_FALSE(mono.empty());
  EXPECT_EQ(std::count(mono.begin(), mono.end(), 0u), static_cast<long>(mono.size()));
  std::vector<std::uint32_t> colour = PenColours(PaintMetafile(*ws, platform, {320, 240, 26, 26}));
  EXPECT_NE(std::find(colour.begin(), colour.end(), ws->colObs), colour.end());

  // A file that cannot be written still ends the recording.
  ws->emfFilePath = (dir / "none" / "x.emf").string();
  ws->recordingMetafile = 1;
  ws->colorDrawing = 0;
  EXPECT_FALSE(RecordMetafile(*ws, platform, {320, 240, 26, 26}));
  EXPECT_EQ(platform.Headlines(), std::vector<std::string>{"Cannot File Open !!"});
  EXPECT_EQ(ws->recordingMetafile, 0);
  EXPECT_EQ(ws->colorDrawing, 1);

  EXPECT_EQ(PixelSizeHundredthsMm(508.0, 1920), 26);
  EXPECT_EQ(PixelSizeHundredthsMm(285.75, 1080), 26);
  EXPECT_EQ(PixelSizeHundredthsMm(345.0, 1366), 25);
}

TEST(ViewGraphicsCommand, OpensThroughTheDesktopOpenerOrSaysSoWithOneBeep) {
  TempDir dir;
  auto ws = MakePattern(5);
  ws->sma4FilePath = (dir / "a b.smp").string();
  ws->emfFilePath = (dir / "p.emf").string();  // never written
  ws->bmpFilePath = (dir / "p.bmp").string();
  test::WriteFile(ws->sma4FilePath, "x");
  test::WriteFile(ws->bmpFilePath, "x");
  // A stand-in opener records the file it was given and fails for BMP.
  fs::path seen = dir / "seen.txt";
  test::WriteFile(dir / "xdg-open", "#!/bin/sh\ncase \"$1\" in *.bmp) exit 3;; esac\n"
                                    "printf '%s' \"$1\" > \"" + seen.string() + "\"\n");
  fs::permissions(dir / "xdg-open", fs::perms::owner_all);
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath ? oldPath : "";
  setenv("PATH", dir.path().c_str(), 1);
  ScriptedPlatform platform;
  ViewGraphicsCommand(*ws, platform, Picture::kSma4);
  EXPECT_EQ(ReadFile(seen), ws->sma4FilePath);
  EXPECT_TRUE(platform.messages.empty());
  for (Picture p : {Picture::kEmf, Picture::kBmp}) ViewGraphicsCommand(*ws, platform, p);
  setenv("PATH", savedPath.c_str(), 1);
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_EQ(platform.messages[0].rfind("Cannot execute smp file !!!\n" + ws->emfFilePath + ": ", 0), 0u);
  EXPECT_EQ(platform.messages[1], "Cannot execute smp file !!!\n" + ws->bmpFilePath +
                                      ": no program opened it (xdg-open exit status 3)");
  EXPECT_EQ(platform.beeps, 0);  // the message box is the one beep
}
