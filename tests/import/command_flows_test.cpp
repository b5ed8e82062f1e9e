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
using testing::FirstMessage;
using testing::SamplePath;
using testing::Texts;
using Ints = std::vector<int>;

std::string Title(const std::string& path) { return "Difscop --- [File Name : " + path + "]  "; }

TEST(OpenCommands, EachFormatHasItsDialog) {
  // The simulated pattern (6) has no dialog; xylib's lists every format it reads.
  const char* extensions[] = {".dat", ".dat", ".dat", ".raw", ".dat", ".int", "", ".asc", ".gsa", ""};
  for (int code = -1; code <= kRawFormatCount; ++code) {
    ScriptedPlatform p;
    EXPECT_FALSE(OpenRawCommand(*testing::FreshWorkspace(), p, code));  // cancelled, or no such format
    const bool hasDialog = code >= 0 && code < kRawFormatCount && code != kSimulated;
    ASSERT_EQ(p.openRequests.size(), hasDialog ? 1u : 0u) << code;
    if (!hasDialog) continue;
    EXPECT_EQ(p.openRequests[0].defaultExtension, extensions[code]);
    EXPECT_TRUE(p.openRequests[0].filter.ends_with("|Other Files (*.*)|*.*||"));
  }
  EXPECT_EQ(RawOpenDialog(kHermesNeutron).filter,
            "Nermes Netron Data File (*.raw)|*.raw|Other Files (*.*)|*.*||");
  for (const char* listed : {"|*.xrdml|", "|*.raw|", "|*.uxd|"})
    EXPECT_NE(RawOpenDialog(kXylib).filter.find(listed), std::string::npos) << listed;
  EXPECT_EQ(FittedOpenDialog(kIgorPat).filter,
            "Igor Fitted Data File (*.pat)|*.pat|Other Files (*.*)|*.*||");
  for (int kind : {-1, kFittedFormatCount}) {
    ScriptedPlatform p;
    EXPECT_FALSE(OpenFittedCommand(*testing::FreshWorkspace(), p, kind));
    EXPECT_TRUE(p.openRequests.empty());
  }
}

TEST(OpenCommands, LoadCancelAndFailure) {
  const std::string dir = std::filesystem::temp_directory_path() /
                          ("difscop_import_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/bad.dat") << "20 5\n21 0\n";
  std::ofstream(dir + "/bad.pat") << "IGOR\nBEGIN\n1 2 3\n";
  auto ws = testing::FreshWorkspace();
  ws->smoothedValid = ws->pairedIntLoad = ws->itoRunDone = 1;
  ScriptedPlatform p;
  p.openAnswers = {ExamplePath("rigaku_rint.dat"), std::nullopt, std::nullopt, std::nullopt, dir + "/bad.dat",
                   dir + "/bad.pat"};
  ASSERT_TRUE(OpenRawCommand(*ws, p, kRigakuRint));
  EXPECT_TRUE(p.messages.empty());
  EXPECT_EQ(ws->rawLoaded, 1);
  EXPECT_EQ(ws->blankPlot, 0);
  EXPECT_EQ(ws->smoothedValid + ws->pairedIntLoad + ws->itoRunDone, 0);  // the reset ran
  EXPECT_EQ(ws->windowTitle, Title(ExamplePath("rigaku_rint.dat")));
  EXPECT_EQ(ws->obsCount, 4501);
  EXPECT_EQ((std::vector<float>{ws->xMin, ws->xMax, ws->xTick}), (std::vector<float>{10, 100, 10}));
  EXPECT_EQ(p.repaints, 1);

  // Cancel keeps everything.
  ws->autoPeaksFound = 1;
  EXPECT_FALSE(OpenRawCommand(*ws, p, kMac));
  EXPECT_FALSE(OpenFittedCommand(*ws, p, kGsasCif));
  EXPECT_FALSE(OpenPatternCommand(*ws, p));
  EXPECT_EQ(ws->obsCount, 4501);
  EXPECT_EQ(ws->autoPeaksFound, 1);
  EXPECT_EQ(ws->dataFilePath, ExamplePath("rigaku_rint.dat"));
  EXPECT_EQ(p.repaints, 1);

  // A failed read leaves the workspace reset under the old title, repainted at once.
  EXPECT_FALSE(OpenRawCommand(*ws, p, kXyText));
  EXPECT_EQ(p.messages, Texts{"Not xy Format File !!!\nbad.dat, line 2: intensity 0 is not above zero"});
  // The point read before the refusal is not kept.
  EXPECT_EQ((Ints{ws->blankPlot, ws->rawLoaded, ws->obsCount}), (Ints{1, 0, 0}));
  EXPECT_FLOAT_EQ(ws->xMax, 100.0f);
  EXPECT_EQ(ws->windowTitle, Title(ExamplePath("rigaku_rint.dat")));
  EXPECT_EQ(ws->dataFilePath, dir + "/bad.dat");
  EXPECT_FALSE(OpenFittedCommand(*ws, p, kIgorPat));
  EXPECT_EQ(p.Headlines().back(), "Rietan not complete !!");
  EXPECT_EQ(ws->blankPlot, 1);
  EXPECT_EQ(p.repaints, 3);
  std::filesystem::remove_all(dir);
}

TEST(OpenCommands, FittedFilesReplaceTheRawMode) {
  auto ws = testing::FreshWorkspace();
  ScriptedPlatform p;
  p.openAnswers = {ExamplePath("rietan_general.int"), ExamplePath("fit_two_phases.pat"),
                   ExamplePath("xy_pattern.xy"), ExamplePath("fit_calculated.pat")};
  OpenRawCommand(*ws, p, kRietanInt);
  ASSERT_TRUE(OpenFittedCommand(*ws, p, kIgorPat));
  EXPECT_EQ((Ints{ws->rawLoaded, ws->blankPlot, ws->pairedIntLoad, ws->phaseCount, ws->segmentCount}),
            (Ints{0, 0, 0, 2, 3}));
  // The menu's title replaces the reader's.
  EXPECT_EQ(ws->windowTitle, Title(ExamplePath("fit_two_phases.pat")));

  // A calculated-only file shows no stale observed data.
  OpenRawCommand(*ws, p, kXyText);
  ASSERT_TRUE(OpenFittedCommand(*ws, p, kIgorPat));
  EXPECT_EQ(ws->pairedIntLoad, 1);
  for (int i : {1, 100, ws->obsCount}) EXPECT_TRUE(ws->obs[i].x == ws->calc[i].x && ws->obs[i].y == ws->calc[i].y) << i;
  EXPECT_FLOAT_EQ(ws->yMax, 105.0f);  // ranged on the per-cent curve
  EXPECT_EQ(p.repaints, 4);
}

// What the window's command-line parsing leaves behind.
std::unique_ptr<workspace::Workspace> StartWith(const std::string& option, const std::string& path) {
  auto ws = testing::FreshWorkspace();
  ws->dataFilePath = path;
  ws->blankPlot = 0;
  ws->commandLineFilePending = 1;
  ws->pairedIntLoad = option == "-s" ? 1 : 0;
  ws->simulationMode = option == "-x" ? 1 : 0;
  if (option.empty()) ws->startupOption = workspace::kStartupByFileType;
  return ws;
}

TEST(LoadCommandLineFile, AFileWithoutSwitchIsOpenedByItsContent) {
  const std::pair<const char*, int> cases[] = {  // file, 1 raw, 0 fitted, -1 not known
      {"fit_two_phases.pat", 0}, {"fullprof_fit.prf", 0}, {"hermes_neutron.raw", 1},
      {"rigaku_rint.dat", 1},  // one of four formats that use .dat
      {"README.md", -1}};
  for (const auto& [file, raw] : cases) {
    const std::string path = ExamplePath(file);
    SCOPED_TRACE(path);
    auto ws = StartWith("", path);
    ScriptedPlatform p;
    p.neutronWavelengthAnswers = {std::string("1.8265")};
    EXPECT_EQ(LoadCommandLineFile(*ws, p), raw >= 0);
    EXPECT_EQ(ws->commandLineFilePending, 0);
    if (raw < 0) {
      EXPECT_EQ(p.messages, Texts{"File type not known !!!\n" + path +
                                  ": open it from the File menu with its format."});
      EXPECT_EQ(ws->blankPlot, 1);
      continue;
    }
    EXPECT_TRUE(p.messages.empty()) << FirstMessage(p);
    EXPECT_EQ(ws->rawLoaded, raw);
    EXPECT_GT(ws->obsCount, 100);
    EXPECT_EQ(ws->windowTitle, Title(path));
  }
}

TEST(LoadCommandLineFile, SwitchesPickTheReaderAndFailuresAreReportedOnce) {
  ScriptedPlatform p;
  auto sim = StartWith("-x", ExamplePath("simulated.sim"));
  ASSERT_TRUE(LoadCommandLineFile(*sim, p));
  EXPECT_EQ((Ints{sim->rawLoaded, sim->blankPlot}), (Ints{1, 0}));
  EXPECT_EQ((std::vector<float>{sim->yMax, sim->yTick}), (std::vector<float>{105, 50}));  // calc, in per cent
  EXPECT_GT(sim->reflectionCount[1], 10);
  EXPECT_EQ(sim->windowTitle, Title(""));  // not changed by this load

  auto igor = StartWith("-m", ExamplePath("fit_two_phases.pat"));
  ASSERT_TRUE(LoadCommandLineFile(*igor, p));
  EXPECT_EQ(igor->phaseCount, 2);
  EXPECT_FLOAT_EQ(igor->xTick, 20.0f);

  // "-s": the INT file with the Igor file, 100 % the top of the observed range.
  auto paired = StartWith("-s", ExamplePath("fit_calculated.pat"));
  ASSERT_TRUE(LoadCommandLineFile(*paired, p)) << FirstMessage(p);
  EXPECT_EQ((Ints{paired->pairedIntLoad, paired->rawLoaded}), (Ints{0, 0}));
  float calcTop = 0, obsTop = 0;
  for (int i = 1; i <= paired->obsCount; ++i) {
    calcTop = std::max(calcTop, paired->calc[i].y);
    obsTop = std::max(obsTop, paired->obs[i].y);
  }
  EXPECT_NEAR(calcTop, paired->yMax, paired->yMax * 1e-3);
  EXPECT_GT(paired->yMax, obsTop);
  EXPECT_FLOAT_EQ(paired->obs[1].x, paired->calc[1].x);
  EXPECT_TRUE(p.messages.empty());

  for (const char* option : {"-i", "-s", "-x"}) {
    auto failed = StartWith(option, "/nonexistent/pattern.pat");
    ScriptedPlatform q;
    EXPECT_FALSE(LoadCommandLineFile(*failed, q));
    EXPECT_EQ(q.Headlines(), Texts{"Cannot Data File Open !!"});
    // The next paint must not try (and complain) again.
    EXPECT_EQ((Ints{failed->commandLineFilePending, failed->blankPlot}), (Ints{0, 1}));
  }
  EXPECT_EQ(PairedIntPath("/d/fit.pat"), "/d/fit.int");
  EXPECT_EQ(PairedIntPath("ab"), "int");
}

// Files written by other programs, through the reader each is meant for and
// through the one detection picks: what ../shared/samples/README.md says of them.
TEST(SampleFiles, LoadOrAreRefusedAsTheirReadmeSays) {
  constexpr float kAny = NAN;
  struct Case {
    const char* file;
    FileType type;
    int points;  // 0: refused with `refusal`
    float firstX, lastX, firstY, lastY;
    std::vector<int> reflections;  // per phase
    float lowestReflection, highestReflection;
    const char* refusal;
    const char* detected = nullptr;  // the reader detection picks, when it is this one
  };
  const Case cases[] = {
      {"FapatiteE_GENERAL.int", {false, kRietanInt}, 5751, 15, 130, 609, 84, {}, 0, 0, "", "int"},
      {"rietan_titled_normal.int", {false, kRietanInt}, 10000, 10, 109.99f, 9104, 5860, {}, 0, 0, "", "int"},
      {"rietan_igor_text.int", {false, kRietanInt}, 6050, 14.018f, 134.998f, kAny, kAny, {}, 0, 0, "", "int"},
      {"xy_text_4001pts.xy", {false, kXyText}, 4001, 20, 100, 49, 29, {}, 0, 0, "", "xy"},
      {"pbso4_condensed_neutron.prf", {true, kFullProfPrf}, 2910, 10, 155.45f, 220, kAny, {207}, 20, 160,
       "", "prf"},
      {"fullprof_rutile_anatase_two_phases.prf", {true, kFullProfPrf}, 7901, 20, 99, kAny, kAny,
       {50, 52}, 20, 101, "", "prf"},
      {"fullprof_y2o3_columns.prf", {true, kFullProfPrf}, 7345, 3.12f, 150, 1554, 748, {416}, 16, 150,
       "", "prf"},
      // 3300 rows: the first and the last have no calculated value and are left out.
      {"gsas_alumina_neutron.cif", {true, kGsasCif}, 3298, 3.0324f, 167.8824f, 149, 194, {67}, 25, 164,
       "", "cif"},
      {"gsas2_five_phases.cif", {true, kGsasCif}, 4189, 9.99428f, 119.971f, 2898, 201,
       {27, 53, 633, 450, 25}, 16, 120, "", "cif"},
      // The file holds 198 reflection rows (the README's 200 counts two comment lines).
      {"fullprof_pbso4_profile.cif", {true, kGsasCif}, 2879, 10.1446f, 154.0446f, 214, 209, {198}, 20,
       152, "", "cif"},
      {"rigaku_cupc.asc", {false, kRigakuAsciiRas}, 7601, 4, 80, 767, 570, {}, 0, 0, "", "rigaku"},
      {"gsas_std_pbso4_xray.gsa", {false, kGsasRaw}, 6001, 10, 160, 179, 368, {}, 0, 0, "", "gsas"},
      {"gsas_fxye_11bm_49494pts.fxye", {false, kGsasRaw}, 49494, 0.5f, 49.9864f, kAny, kAny, {}, 0, 0,
       "", "gsas"},
      {"fullprof_free_pbso4_xray.dat", {false, kXylib}, 6001, 10, 160, 179, 368, {}, 0, 0, "", "xylib"},
      {"bruker_bt86.raw", {false, kXylib}, 2374, 3, 40, kAny, kAny, {}, 0, 0, "", "xylib"},
      {"panalytical_empyrean.xrdml", {false, kXylib}, 196, 30.05f, 41.75f, kAny, kAny, {}, 0, 0, "",
       "xylib"},
      {"xy_cr_only.txt", {false, kXyText}, 0, 0, 0, 0, 0, {}, 0, 0,
       "Not xy Format File !!!\nxy_cr_only.txt, line 8: intensity 0 is not above zero", "xy"},
      {"xy_negative_value.tsv", {false, kXyText}, 0, 0, 0, 0, 0, {}, 0, 0,
       "Not xy Format File !!!\nxy_negative_value.tsv, line 3: intensity -1.23 is not above zero",
       "xy"},
      {"bruker_bt86.raw", {false, kXyText}, 0, 0, 0, 0, 0, {}, 0, 0,
       "Not xy Format File !!!\nbruker_bt86.raw: no data point found"},
      {"panalytical_empyrean.xrdml", {false, kXyText}, 0, 0, 0, 0, 0, {}, 0, 0,
       "Not xy Format File !!!\npanalytical_empyrean.xrdml: no data point found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto ws = testing::FreshWorkspace();
    ScriptedPlatform p;
    p.openAnswers = {SamplePath(c.file)};
    const bool ok = c.type.fitted ? OpenFittedCommand(*ws, p, c.type.code)
                                  : OpenRawCommand(*ws, p, c.type.code);
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
    ASSERT_TRUE(ok) << FirstMessage(p);
    EXPECT_TRUE(p.messages.empty());
    ASSERT_EQ(ws->obsCount, c.points);
    EXPECT_NEAR(ws->obs[1].x, c.firstX, 1e-3);
    EXPECT_NEAR(ws->obs[c.points].x, c.lastX, 1e-3);
    if (!std::isnan(c.firstY)) {
      EXPECT_FLOAT_EQ(ws->obs[1].y, c.firstY);
    }
    if (!std::isnan(c.lastY)) {
      EXPECT_FLOAT_EQ(ws->obs[c.points].y, c.lastY);
    }
    int segmentPoints = 0;
    for (int k = 1; k <= ws->segmentCount; ++k) segmentPoints += ws->segmentPointCount[k];
    EXPECT_EQ(segmentPoints, c.points);
    if (!c.type.fitted) continue;
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
