// The open commands and the command-line load, driven headless.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "import/command_line_load.h"
#include "import/open_commands.h"
#include "import/read_context.h"
#include "import_test_support.h"

namespace difscop::import {
namespace {

using platform::ScriptedPlatform;
using testing::ExamplePath;
using testing::Headlines;
using testing::SamplePath;
using Texts = std::vector<std::string>;

class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("difscop_import_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
    return (path_ / name).string();
  }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

TEST(OpenRawCommand, LoadsRangesTitlesAndRepaints) {
  auto ws = testing::FreshWorkspace();
  ws->smoothedValid = 1;
  ws->pairedIntLoad = 1;
  ws->itoRunDone = 1;
  ScriptedPlatform p;
  p.openAnswers = {ExamplePath("rigaku_rint.dat")};
  OpenRawCommand(*ws, p, kRigakuRint);
  ASSERT_EQ(p.openRequests.size(), 1u);
  EXPECT_EQ(p.openRequests[0].filter,
            "Rigaku X-ray Data File (*.dat)|*.dat|Other Files (*.*)|*.*||");
  EXPECT_EQ(p.openRequests[0].defaultExtension, ".dat");
  EXPECT_TRUE(p.openRequests[0].initialName.empty());
  EXPECT_TRUE(p.messages.empty());
  EXPECT_EQ(ws->rawLoaded, 1);
  EXPECT_EQ(ws->blankPlot, 0);
  EXPECT_EQ(ws->smoothedValid, 0);
  EXPECT_EQ(ws->pairedIntLoad, 0);
  EXPECT_EQ(ws->itoRunDone, 0);  // the reset ran
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name : " + ExamplePath("rigaku_rint.dat") + "]  ");
  EXPECT_EQ(ws->obsCount, 4501);
  EXPECT_FLOAT_EQ(ws->xMin, 10.0f);
  EXPECT_FLOAT_EQ(ws->xMax, 100.0f);
  EXPECT_FLOAT_EQ(ws->xTick, 10.0f);
  EXPECT_EQ(p.repaints, 1);
}

TEST(OpenRawCommand, EachCodeHasItsDialog) {
  // The simulated pattern (6) has no dialog; xylib's lists every format it reads.
  const char* extensions[] = {".dat", ".dat", ".dat", ".raw", ".dat", ".int", "", ".asc", ".gsa", ""};
  for (int code = 0; code < kRawFormatCount; ++code) {
    auto ws = testing::FreshWorkspace();
    ScriptedPlatform p;
    OpenRawCommand(*ws, p, code);
    ASSERT_EQ(p.openRequests.size(), code == kSimulated ? 0u : 1u) << code;
    if (code == kSimulated) continue;
    EXPECT_EQ(p.openRequests[0].defaultExtension, extensions[code]);
    const std::string ext = extensions[code];
    const std::string tail =
        (ext.empty() || code >= kRigakuAsciiRas ? "" : "(*" + ext + ")|*" + ext) + "|Other Files (*.*)|*.*||";
    const std::string& filter = p.openRequests[0].filter;
    ASSERT_GT(filter.size(), tail.size());
    EXPECT_EQ(filter.substr(filter.size() - tail.size()), tail);
  }
  EXPECT_EQ(RawOpenDialog(kHermesNeutron).filter,
            "Nermes Netron Data File (*.raw)|*.raw|Other Files (*.*)|*.*||");
  EXPECT_EQ(RawOpenDialog(kRigakuRad).filter, RawOpenDialog(kMac).filter);
  for (const char* listed : {"|*.xrdml|", "|*.raw|", "|*.uxd|"})
    EXPECT_NE(RawOpenDialog(kXylib).filter.find(listed), std::string::npos) << listed;
  EXPECT_EQ(FittedOpenDialog(kFullProfPrf).filter,
            "FullPrf Fitted Data File (*.prf)|*.prf|Other Files (*.*)|*.*||");
}

TEST(OpenCommands, CancelKeepsEverything) {
  auto ws = testing::FreshWorkspace();
  ScriptedPlatform p;
  p.openAnswers = {ExamplePath("mac_pattern.dat")};
  OpenRawCommand(*ws, p, kMac);
  const std::string title = ws->windowTitle;
  const int count = ws->obsCount;
  ws->autoPeaksFound = 1;
  OpenRawCommand(*ws, p, kRigakuRint);  // queue empty: cancelled
  OpenFittedCommand(*ws, p, kGsasCif);
  EXPECT_EQ(ws->windowTitle, title);
  EXPECT_EQ(ws->obsCount, count);
  EXPECT_EQ(ws->rawLoaded, 1);
  EXPECT_EQ(ws->autoPeaksFound, 1);
  EXPECT_EQ(ws->dataFilePath, ExamplePath("mac_pattern.dat"));
  EXPECT_EQ(p.repaints, 1);
}

TEST(OpenCommands, FailureLeavesTheWorkspaceResetAndTheOldTitle) {
  TempDir dir;
  auto ws = testing::FreshWorkspace();
  ScriptedPlatform p;
  p.openAnswers = {ExamplePath("xy_pattern.xy"), dir.Write("bad.dat", "20 5\n21 0\n"),
                   dir.Write("bad.pat", "IGOR\nBEGIN\n1 2 3\n")};
  EXPECT_TRUE(OpenRawCommand(*ws, p, kXyText));
  const std::string title = ws->windowTitle;
  EXPECT_FALSE(OpenRawCommand(*ws, p, kXyText));
  EXPECT_EQ(p.messages, Texts{"Not xy Format File !!!\nbad.dat, line 2: intensity 0 is not above zero"});
  EXPECT_EQ(ws->blankPlot, 1);
  EXPECT_EQ(ws->rawLoaded, 0);
  EXPECT_EQ(ws->obsCount, 0);  // the point read before the refusal is not kept
  EXPECT_FLOAT_EQ(ws->xMax, 100.0f);
  EXPECT_EQ(ws->windowTitle, title);
  EXPECT_EQ(ws->dataFilePath.substr(ws->dataFilePath.size() - 7), "bad.dat");
  EXPECT_FALSE(OpenFittedCommand(*ws, p, kIgorPat));
  EXPECT_EQ(Headlines(p.messages).back(), "Rietan not complete !!");
  EXPECT_EQ(ws->blankPlot, 1);
  EXPECT_EQ(ws->obsCount, 0);
  // The old picture goes at once, not at the next resize.
  EXPECT_EQ(p.repaints, 3);
}

TEST(OpenFittedCommand, LoadsTheTwoPhaseExampleInFittedMode) {
  auto ws = testing::FreshWorkspace();
  ScriptedPlatform p;
  p.openAnswers = {ExamplePath("rietan_general.int"), ExamplePath("fit_two_phases.pat")};
  OpenRawCommand(*ws, p, kRietanInt);
  OpenFittedCommand(*ws, p, kIgorPat);
  EXPECT_EQ(p.openRequests[1].filter,
            "Igor Fitted Data File (*.pat)|*.pat|Other Files (*.*)|*.*||");
  EXPECT_EQ(p.openRequests[1].defaultExtension, ".pat");
  EXPECT_EQ(ws->rawLoaded, 0);
  EXPECT_EQ(ws->blankPlot, 0);
  EXPECT_EQ(ws->pairedIntLoad, 0);
  EXPECT_EQ(ws->phaseCount, 2);
  EXPECT_EQ(ws->segmentCount, 3);
  EXPECT_EQ(ws->segmentPointCount[1] + ws->segmentPointCount[2] + ws->segmentPointCount[3],
            ws->obsCount);
  // The menu's title replaces the reader's.
  EXPECT_EQ(ws->windowTitle,
            "Difscop --- [File Name : " + ExamplePath("fit_two_phases.pat") + "]  ");
  EXPECT_EQ(p.repaints, 2);
}

TEST(OpenFittedCommand, CalculatedOnlyFileShowsNoStaleObservedData) {
  auto ws = testing::FreshWorkspace();
  ScriptedPlatform p;
  p.openAnswers = {ExamplePath("xy_pattern.xy"), ExamplePath("fit_calculated.pat")};
  OpenRawCommand(*ws, p, kXyText);
  OpenFittedCommand(*ws, p, kIgorPat);
  EXPECT_EQ(ws->pairedIntLoad, 1);
  for (int i : {1, 100, ws->obsCount}) {
    EXPECT_FLOAT_EQ(ws->obs[i].x, ws->calc[i].x);
    EXPECT_FLOAT_EQ(ws->obs[i].y, ws->calc[i].y);
  }
  EXPECT_FLOAT_EQ(ws->yMax, 105.0f);  // ranged on the per-cent curve
}

void StartWith(workspace::Workspace& ws, const std::string& option, const std::string& path) {
  // What the window's command-line parsing leaves behind.
  ws.dataFilePath = path;
  ws.blankPlot = 0;
  ws.commandLineFilePending = 1;
  if (option == "-s") ws.pairedIntLoad = 1;
  if (option == "-i" || option == "-x") ws.pairedIntLoad = 0;
  if (option == "-x") ws.simulationMode = 1;
  if (option.empty()) ws.startupOption = workspace::kStartupByFileType;
}

TEST(LoadCommandLineFile, AFileWithoutSwitchIsOpenedByItsContent) {
  struct Case {
    std::string path;
    bool loaded, raw;
    int phases;
  };
  const Case cases[] = {
      {ExamplePath("fit_two_phases.pat"), true, false, 2},
      {ExamplePath("gsas_fit.cif"), true, false, 1},
      {ExamplePath("fullprof_fit.prf"), true, false, 1},
      {ExamplePath("rietan_normal.int"), true, true, 1},
      {ExamplePath("hermes_neutron.raw"), true, true, 1},
      {ExamplePath("xy_pattern.xy"), true, true, 1},
      {ExamplePath("rigaku_rint.dat"), true, true, 1},  // one of four formats that use .dat
      {ExamplePath("README.md"), false, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto ws = testing::FreshWorkspace();
    ScriptedPlatform p;
    p.neutronWavelengthAnswers = {std::string("1.8265")};
    StartWith(*ws, "", c.path);
    EXPECT_EQ(LoadCommandLineFile(*ws, p), c.loaded);
    EXPECT_EQ(ws->commandLineFilePending, 0);
    if (!c.loaded) {
      EXPECT_EQ(p.messages, Texts{"File type not known !!!\n" + c.path +
                                  ": open it from the File menu with its format."});
      EXPECT_EQ(ws->blankPlot, 1);
      continue;
    }
    EXPECT_TRUE(p.messages.empty()) << p.messages.front();
    EXPECT_EQ(ws->rawLoaded, c.raw ? 1 : 0);
    EXPECT_EQ(ws->phaseCount, c.phases);
    EXPECT_GT(ws->obsCount, 100);
    EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name : " + c.path + "]  ");
  }
}

TEST(LoadCommandLineFile, SimulatedStartShowsCalcInRawMode) {
  auto ws = testing::FreshWorkspace();
  ScriptedPlatform p;
  StartWith(*ws, "-x", ExamplePath("simulated.sim"));
  ASSERT_TRUE(LoadCommandLineFile(*ws, p));
  EXPECT_EQ(ws->rawLoaded, 1);
  EXPECT_EQ(ws->commandLineFilePending, 0);
  EXPECT_EQ(ws->blankPlot, 0);
  EXPECT_FLOAT_EQ(ws->yMax, 105.0f);  // ranged on calc, in per cent
  EXPECT_FLOAT_EQ(ws->yTick, 50.0f);
  EXPECT_GT(ws->reflectionCount[1], 10);
  EXPECT_EQ(ws->windowTitle, "Difscop --- [File Name : ]  ");  // not changed by this load
}

TEST(LoadCommandLineFile, PairedStartScalesPerCentToTheObservedRange) {
  auto ws = testing::FreshWorkspace();
  ScriptedPlatform p;
  StartWith(*ws, "-s", ExamplePath("fit_calculated.pat"));
  ASSERT_TRUE(LoadCommandLineFile(*ws, p)) << (p.messages.empty() ? "" : p.messages[0]);
  EXPECT_EQ(ws->pairedIntLoad, 0);
  EXPECT_EQ(ws->rawLoaded, 0);
  float calcTop = 0, obsTop = 0;
  for (int i = 1; i <= ws->obsCount; ++i) {
    calcTop = std::max(calcTop, ws->calc[i].y);
    obsTop = std::max(obsTop, ws->obs[i].y);
  }
  // 100 % becomes the top of the observed range.
  EXPECT_NEAR(calcTop, ws->yMax, ws->yMax * 1e-3);
  EXPECT_GT(ws->yMax, obsTop);
  EXPECT_FLOAT_EQ(ws->obs[1].x, ws->calc[1].x);
}

TEST(LoadCommandLineFile, IgorStartAndFailuresReportedOnce) {
  auto ws = testing::FreshWorkspace();
  ScriptedPlatform p;
  StartWith(*ws, "-m", ExamplePath("fit_two_phases.pat"));
  ASSERT_TRUE(LoadCommandLineFile(*ws, p));
  EXPECT_EQ(ws->phaseCount, 2);
  EXPECT_FLOAT_EQ(ws->xTick, 20.0f);

  for (const char* option : {"-i", "-s", "-x"}) {
    auto failed = testing::FreshWorkspace();
    ScriptedPlatform q;
    StartWith(*failed, option, "/nonexistent/pattern.pat");
    EXPECT_FALSE(LoadCommandLineFile(*failed, q));
    EXPECT_EQ(Headlines(q.messages), Texts{"Cannot Data File Open !!"});
    // The next paint must not try (and complain) again.
    EXPECT_EQ(failed->commandLineFilePending, 0);
    EXPECT_EQ(failed->blankPlot, 1);
  }
  EXPECT_EQ(PairedIntPath("/d/fit.pat"), "/d/fit.int");
  EXPECT_EQ(PairedIntPath("ab"), "int");
}

// Files written by other programs, through the reader each is meant for: what
// ../shared/samples/README.md says of them.
TEST(SampleFiles, LoadOrAreRefusedAsTheirReadmeSays) {
  constexpr float kAny = NAN;
  struct Case {
    const char* file;
    int fittedKind;  // -1: a raw read with rawCode
    int rawCode;
    int points;  // 0: refused with `refusal`
    float firstX, lastX, firstY, lastY;
    std::vector<int> reflections;  // per phase
    float lowestReflection, highestReflection;
    const char* refusal;
    const char* detected = nullptr;  // the reader detection picks, when it is this one
  };
  const Case cases[] = {
      {"FapatiteE_GENERAL.int", -1, kRietanInt, 5751, 15, 130, 609, 84, {}, 0, 0, "", "int"},
      {"rietan_titled_normal.int", -1, kRietanInt, 10000, 10, 109.99f, 9104, 5860, {}, 0, 0, "",
       "int"},
      {"rietan_igor_text.int", -1, kRietanInt, 6050, 14.018f, 134.998f, kAny, kAny, {}, 0, 0, "",
       "int"},
      {"xy_text_4001pts.xy", -1, kXyText, 4001, 20, 100, 49, 29, {}, 0, 0, "", "xy"},
      {"pbso4_condensed_neutron.prf", kFullProfPrf, 0, 2910, 10, 155.45f, 220, kAny, {207}, 20, 160,
       "", "prf"},
      {"fullprof_rutile_anatase_two_phases.prf", kFullProfPrf, 0, 7901, 20, 99, kAny, kAny,
       {50, 52}, 20, 101, "", "prf"},
      {"fullprof_y2o3_columns.prf", kFullProfPrf, 0, 7345, 3.12f, 150, 1554, 748, {416}, 16, 150,
       "", "prf"},
      // 3300 rows: the first and the last have no calculated value and are left out.
      {"gsas_alumina_neutron.cif", kGsasCif, 0, 3298, 3.0324f, 167.8824f, 149, 194, {67}, 25, 164,
       "", "cif"},
      {"gsas2_five_phases.cif", kGsasCif, 0, 4189, 9.99428f, 119.971f, 2898, 201,
       {27, 53, 633, 450, 25}, 16, 120, "", "cif"},
      // The file holds 198 reflection rows (the README's 200 counts two comment lines).
      {"fullprof_pbso4_profile.cif", kGsasCif, 0, 2879, 10.1446f, 154.0446f, 214, 209, {198}, 20,
       152, "", "cif"},
      {"rigaku_cupc.asc", -1, kRigakuAsciiRas, 7601, 4, 80, 767, 570, {}, 0, 0, "", "rigaku"},
      {"gsas_std_pbso4_xray.gsa", -1, kGsasRaw, 6001, 10, 160, 179, 368, {}, 0, 0, "", "gsas"},
      {"gsas_fxye_11bm_49494pts.fxye", -1, kGsasRaw, 49494, 0.5f, 49.9864f, kAny, kAny, {}, 0, 0,
       "", "gsas"},
      {"fullprof_free_pbso4_xray.dat", -1, kXylib, 6001, 10, 160, 179, 368, {}, 0, 0, "", "xylib"},
      {"bruker_bt86.raw", -1, kXylib, 2374, 3, 40, kAny, kAny, {}, 0, 0, "", "xylib"},
      {"panalytical_empyrean.xrdml", -1, kXylib, 196, 30.05f, 41.75f, kAny, kAny, {}, 0, 0, "",
       "xylib"},
      {"xy_cr_only.txt", -1, kXyText, 0, 0, 0, 0, 0, {}, 0, 0,
       "Not xy Format File !!!\nxy_cr_only.txt, line 8: intensity 0 is not above zero", "xy"},
      {"xy_negative_value.tsv", -1, kXyText, 0, 0, 0, 0, 0, {}, 0, 0,
       "Not xy Format File !!!\nxy_negative_value.tsv, line 3: intensity -1.23 is not above zero",
       "xy"},
      {"bruker_bt86.raw", -1, kXyText, 0, 0, 0, 0, 0, {}, 0, 0,
       "Not xy Format File !!!\nbruker_bt86.raw: no data point found"},
      {"panalytical_empyrean.xrdml", -1, kXyText, 0, 0, 0, 0, 0, {}, 0, 0,
       "Not xy Format File !!!\npanalytical_empyrean.xrdml: no data point found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto ws = testing::FreshWorkspace();
    ScriptedPlatform p;
    p.openAnswers = {SamplePath(c.file)};
    const bool ok = c.fittedKind >= 0 ? OpenFittedCommand(*ws, p, c.fittedKind)
                                      : OpenRawCommand(*ws, p, c.rawCode);
    EXPECT_EQ(p.repaints, 1);
    if (c.detected) {
      // Open Pattern reads it the same way, through the reader the content asks for.
      auto detected = testing::FreshWorkspace();
      ScriptedPlatform q;
      q.openAnswers = {SamplePath(c.file)};
      const auto format = DetectFormat(*LoadFile(SamplePath(c.file)), c.file);
      ASSERT_TRUE(format);
      EXPECT_EQ(format->name, c.detected);
      EXPECT_EQ(OpenPatternCommand(*detected, q), ok);
      EXPECT_EQ(q.messages, p.messages);
      EXPECT_EQ(detected->obsCount, ws->obsCount);
      EXPECT_EQ(detected->reflectionCount, ws->reflectionCount);
    }
    if (c.points == 0) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(p.messages, Texts{c.refusal});
      EXPECT_EQ(ws->obsCount, 0);
      EXPECT_EQ(ws->rawLoaded, 0);
      continue;
    }
    ASSERT_TRUE(ok) << (p.messages.empty() ? "" : p.messages[0]);
    EXPECT_TRUE(p.messages.empty());
    ASSERT_EQ(ws->obsCount, c.points);
    EXPECT_NEAR(ws->obs[1].x, c.firstX, 1e-3);
    EXPECT_NEAR(ws->obs[c.points].x, c.lastX, 1e-3);
    if (!std::isnan(c.firstY)) EXPECT_FLOAT_EQ(ws->obs[1].y, c.firstY);
    if (!std::isnan(c.lastY)) EXPECT_FLOAT_EQ(ws->obs[c.points].y, c.lastY);
    int segmentPoints = 0;
    for (int k = 1; k <= ws->segmentCount; ++k) segmentPoints += ws->segmentPointCount[k];
    EXPECT_EQ(segmentPoints, c.points);
    if (c.fittedKind < 0) continue;
    ASSERT_EQ(ws->phaseCount, static_cast<int>(c.reflections.size()));
    for (int phase = 1; phase <= ws->phaseCount; ++phase) {
      EXPECT_EQ(ws->reflectionCount[phase], c.reflections[phase - 1]) << "phase " << phase;
      const auto* pos = &ws->reflectionPos[phase][1];
      const auto [low, high] = std::minmax_element(pos, pos + ws->reflectionCount[phase]);
      EXPECT_GE(*low, c.lowestReflection) << "phase " << phase;
      EXPECT_LE(*high, c.highestReflection) << "phase " << phase;
    }
  }
}

}  // namespace
}  // namespace difscop::import
