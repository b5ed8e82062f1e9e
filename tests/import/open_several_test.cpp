// Reading several files apart from the open patterns, and sessions of them.
#include <filesystem>
#include <fstream>
#include <random>

#include "import/open_commands.h"
#include "import/open_several.h"
#include "import/session_file.h"
#include "import_test_support.h"
#include "textio/text_writer.h"
#include "workspace/palette.h"

namespace difscop::import::testing {

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class TempDir {
 public:
  TempDir() : path_(fs::temp_directory_path() / ("difscop_several_" + std::to_string(std::random_device{}()))) {
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name, const std::string& text) const {
    std::ofstream((path_ / name).string(), std::ios::binary) << text;
    return (path_ / name).string();
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// An (x,y) pattern of n points from `from` degrees, one a line.
std::string XyText(float from, int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += textio::Format("%.2f %d\n", from + 0.02 * i, 100 + i % 7);
  return text;
}

}  // namespace

TEST(OpenSeveral, FilesReadApartKeepTheirMessagesAndJoinTheListInOrder) {
  TempDir dir;
  const std::vector<std::string> paths = {
      dir.File("a.xy", XyText(10, 300)), dir.File("b.txt", "no pattern here\n"),
      (dir.path() / "gone.xy").string(), ExamplePath("hermes_neutron.raw"),
      dir.File("c.xy", XyText(20, 200))};
  std::atomic<bool> cancel{false};
  std::atomic<int> done{0};
  std::vector<FileRead> reads = ReadFilesApart(paths, LoadFileByType, 3, cancel, done);
  ASSERT_EQ(reads.size(), paths.size());
  EXPECT_EQ(done, 5);
  std::vector<std::string> seen;
  for (const FileRead& r : reads)
    seen.push_back(r.path.substr(r.path.rfind('/') + 1) + (r.loaded ? " loaded" : "") +
                   (r.askedUser ? " asked" : "") + " " + std::to_string(r.messages.size()));
  EXPECT_EQ(seen, (Texts{"a.xy loaded 0", "b.txt 1", "gone.xy 1", "hermes_neutron.raw asked 1",
                         "c.xy loaded 0"}));
  EXPECT_TRUE(reads[1].messages[0].starts_with("File type not known !!!\n")) << reads[1].messages[0];
  EXPECT_TRUE(reads[2].messages[0].starts_with("Cannot Data File Open !!\ngone.xy: "));
  EXPECT_EQ(reads[0].pattern.obsCount, 300);

  // The reader that asked reads again where a user can answer.
  ScriptedPlatform user;
  user.neutronWavelengthAnswers = {"1.8265"};
  reads[3] = ReadFileApart(paths[3], LoadFileByType, &user);
  EXPECT_TRUE(reads[3].loaded && reads[3].messages.empty());
  EXPECT_FLOAT_EQ(reads[3].pattern.wavelength, 1.8265f);

  auto ws = FreshWorkspace();
  for (FileRead& r : reads)
    if (r.loaded) AdoptPattern(*ws, r.path, std::move(r.pattern));
  ASSERT_EQ(ws->patterns.size(), 3u);
  EXPECT_EQ(std::tuple(ws->patterns[0].name, ws->patterns[2].name, ws->activePattern),
            std::tuple("a.xy"s, "c.xy"s, 2));
  EXPECT_EQ(std::tuple(ws->obsCount, ws->blankPlot, ws->xMin, ws->xMax),
            std::tuple(200, workspace::Flag{0}, 20.0f, 30.0f));
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name : " + paths[4] + "]  ");
  EXPECT_EQ(workspace::PatternAt(*ws, 0).obsCount, 300);
  EXPECT_EQ(ws->patterns[1].colour, workspace::kPatternPalette[1]);

  // One message for all: the failures with their reasons, then the notes.
  reads[0].messages = {"Only the first 99999 points were read !!!"};
  const std::string report = SeveralFilesReport(reads);
  EXPECT_EQ(report.substr(0, report.find("\n\n" + paths[2])),
            "2 of 5 files could not be opened !!!\n\n" + paths[1] + "\n" + reads[1].messages[0]);
  EXPECT_TRUE(report.ends_with("\n\nOpened with notes:\n\n" + paths[0] +
                               "\nOnly the first 99999 points were read !!!"))
      << report;
  reads[0].messages.clear();
  EXPECT_EQ(SeveralFilesReport(std::span(reads).first(1)), "");

  // Cancelled before the start: nothing read, nothing said.
  cancel = true;
  done = 0;
  reads = ReadFilesApart(paths, LoadFileByType, 2, cancel, done);
  EXPECT_EQ(done, 5);
  for (const FileRead& r : reads) EXPECT_TRUE(!r.loaded && r.messages.empty() && !r.path.empty());
}

TEST(Session, SavedAndReadBackWithRefusalsAndMovedFolders) {
  TempDir dir;
  auto ws = FreshWorkspace();
  for (const char* name : {"a.xy", "b.xy", "c.xy"}) {
    const std::string path = dir.File(name, XyText(10, 50));
    FileRead read = ReadFileApart(path, LoadFileByType);
    ASSERT_TRUE(read.loaded) << name;
    AdoptPattern(*ws, path, std::move(read.pattern));
  }
  ws->patterns[1].name = "300 K \"warm\"";
  ws->patterns[1].visible = false;
  ws->patterns[2].colour = workspace::RgbColour(1, 2, 255);
  workspace::Activate(*ws, 1);
  ws->xMin = 12.5f;
  ws->xMax = 40.0f;
  ws->yAxis = workspace::YAxis::kLog;
  ws->layout = workspace::Layout::kStack;
  const std::string sessionPath = (dir.path() / "s.json").string();
  std::string reason;
  const std::optional<std::string> text = SessionText(SessionOf(*ws, sessionPath), &reason);
  ASSERT_TRUE(text) << reason;
  const std::optional<SessionFile> back = ParseSession(*text, &reason);
  ASSERT_TRUE(back) << reason;
  ASSERT_EQ(back->patterns.size(), 3u);
  const SessionPattern& b = back->patterns[1];
  EXPECT_EQ(std::tuple(b.path, b.relativePath, b.name, b.visible),
            std::tuple((dir.path() / "b.xy").string(), "b.xy"s, "300 K \"warm\""s, false));
  EXPECT_EQ(back->patterns[2].colour, workspace::RgbColour(1, 2, 255));
  EXPECT_EQ(std::tuple(back->active, back->xMin, back->xMax, back->yMax, back->yAxis, back->layout),
            std::tuple(1, 12.5f, 40.0f, ws->yMax, workspace::YAxis::kLog, workspace::Layout::kStack));

  // Applied to a list where the session's second pattern did not open.
  auto other = FreshWorkspace();
  for (const SessionPattern& p : {back->patterns[0], back->patterns[2]})
    AdoptPattern(*other, p.path, std::move(ReadFileApart(p.path, LoadFileByType).pattern));
  const int listIndex[] = {0, -1, 1};
  SessionFile applied = *back;
  applied.active = 0;
  ApplySession(*other, applied, listIndex);
  EXPECT_EQ(std::tuple(other->patterns[1].colour, other->activePattern, other->xMin, other->layout),
            std::tuple(workspace::RgbColour(1, 2, 255), 0, 12.5f, workspace::Layout::kStack));

  // A folder moved with its session: the files are found beside it.
  const fs::path moved = dir.path().string() + "_moved";
  fs::rename(dir.path(), moved);
  EXPECT_EQ(LocatePattern(b, (moved / "s.json").string()), (moved / "b.xy").string());
  fs::rename(moved, dir.path());
  SessionPattern nowhere = b;
  nowhere.relativePath = "elsewhere/b.xy";
  fs::remove(nowhere.path);
  EXPECT_EQ(LocatePattern(nowhere, sessionPath), nowhere.path);

  const std::pair<std::string, std::string> refused[] = {
      {"{", "parse error"},
      {"[]", "not a JSON object"},
      {R"({"format": "other"})", "the format is not \"difscop-session\""},
      {R"({"format": "difscop-session", "version": 9})", "version 9 is newer"},
      {R"({"format": "difscop-session", "version": 1, "patterns": [{"path": 3}]})",
       "pattern 1: \"path\" is not string"},
      {R"({"format": "difscop-session", "version": 1, "patterns": [{"path": "a", "name": "a",
         "colour": "red", "visible": true}]})",
       "pattern 1: colour \"red\" is not #rrggbb"},
      {R"({"format": "difscop-session", "version": 1, "patterns": [], "active": 0,
         "view": {"xMin": 0, "xMax": 1, "yMin": 0, "yMax": 1, "xAxis": "tof"}})",
       "the view: xAxis \"tof\" is not known"},
  };
  for (const auto& [bad, why] : refused) {
    EXPECT_FALSE(ParseSession(bad, &reason)) << bad;
    EXPECT_NE(reason.find(why), std::string::npos) << bad << " -> " << reason;
  }
}

}  // namespace difscop::import::testing
