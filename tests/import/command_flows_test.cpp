// The open commands and the command-line load, driven headless.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "import/command_line_load.h"
#include "import/open_commands.h"
#include "import/read_context.h"
#include "import_test_support.h"

namespace difscop::import {
namespace {

using namespace testing;
using Ints = std::vector<int>;
using Floats = std::vector<float>;

std::string Title(const std::string& path) {
  return "Difscop --- [File Name : " + path + "]  ";
}

// A loaded pattern in one line: points (over the segments), the first and the
// last point, and per phase the reflections with the range they span.
std::string G(double v) {
  char s[32];
  return std::string(s, std::to_chars(s, s + sizeof s, v, std::chars_format::general, 6).ptr);
}
std::string Summary(const workspace::Workspace& ws) {
  const int n = ws.obsCount;
  int segmentPoints = 0;
  for (int k = 1; k <= ws.segmentCount; ++k) segmentPoints += ws.segmentPointCount[k];
  std::string s = std::to_string(n) + " (" + std::to_string(segmentPoints) + ") " + G(ws.obs[1].x) +
                  " " + G(ws.obs[1].y) + " .. " + G(ws.obs[n].x) + " " + G(ws.obs[n].y);
  for (int p = 1; p <= (ws.rawLoaded ? 0 : ws.phaseCount); ++p) {
    const auto* pos = &ws.reflectionPos[p][1];
    const auto [low, high] = std::minmax_element(pos, pos + ws.reflectionCount[p]);
    s += ", " + std::to_string(ws.reflectionCount[p]) + " in " + G(std::floor(*low)) + ".." +
         G(std::ceil(*high));
  }
  return s;
}
// A read's outcome: the summary, or the one message of a refusal that kept nothing.
std::string Outcome(bool ok, const workspace::Workspace& ws, const ScriptedPlatform& p) {
  std::string s = ok ? Summary(ws) : "";
  for (const std::string& m : p.messages) s += "[" + m + "]";
  return ok || ws.obsCount + ws.rawLoaded == 0 ? s : s + " but kept points";
}

TEST(OpenCommands, EachFormatHasItsDialog) {
  // The simulated pattern (6) has no dialog; xylib's lists every format it reads.
  const char* ext[] = {".dat", ".dat", ".dat", ".raw", ".dat", ".int", "", ".asc", ".gsa", "", ".dat", ".xy"};
  for (int code = -1; code <= kRawFormatCount; ++code) {
    ScriptedPlatform p;
    EXPECT_FALSE(OpenRawCommand(*FreshWorkspace(), p, code));  // cancelled, or no such format
    const bool hasDialog = code >= 0 && code < kRawFormatCount && code != kSimulated;
    ASSERT_EQ(p.openRequests.size(), hasDialog ? 1u : 0u) << code;
    if (!hasDialog) continue;
    EXPECT_EQ(p.openRequests[0].defaultExtension, ext[code]);
    EXPECT_TRUE(p.openRequests[0].filter.ends_with("|Other Files (*.*)|*.*||"));
  }
  for (const char* listed : {"|*.xrdml|", "|*.raw|", "|*.uxd|"})
    EXPECT_NE(RawOpenDialog(kXylib).filter.find(listed), std::string::npos) << listed;
  for (int kind : {-1, kFittedFormatCount}) {
    ScriptedPlatform p;
    EXPECT_FALSE(OpenFittedCommand(*FreshWorkspace(), p, kind));
    EXPECT_TRUE(p.openRequests.empty());
  }
}

TEST(OpenCommands, LoadCancelAndFailure) {
  const std::string dir =
      std::filesystem::temp_directory_path() / ("difscop_import_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/bad.dat") << "20 5\n21 0\n";
  std::ofstream(dir + "/bad.pat") << "IGOR\nBEGIN\n1 2 3\n";
  const std::string rint = ExamplePath("rigaku_rint.dat");
  auto ws = FreshWorkspace();
  ws->smoothedValid = ws->pairedIntLoad = ws->itoRunDone = 1;
  ScriptedPlatform p;
  p.openAnswers = {rint, {}, {}, {}, dir + "/bad.dat", dir + "/bad.pat"};  // {}: Cancel
  ASSERT_TRUE(OpenRawCommand(*ws, p, kRigakuRint));
  EXPECT_TRUE(p.messages.empty());
  // Loaded, the reset run (smoothed, paired, ITO flags cleared), ranged and repainted.
  EXPECT_EQ((Ints{ws->rawLoaded, ws->blankPlot,
                  ws->smoothedValid + ws->pairedIntLoad + ws->itoRunDone, p.repaints}),
            (Ints{1, 0, 0, 1}));
  EXPECT_EQ(Summary(*ws), "4501 (4501) 10 231 .. 100 62");
  EXPECT_EQ(ws->windowTitle, Title(rint));
  EXPECT_EQ((Floats{ws->xMin, ws->xMax, ws->xTick}), (Floats{10, 100, 10}));
  // Cancel keeps everything.
  ws->autoPeaksFound = 1;
  EXPECT_FALSE(OpenRawCommand(*ws, p, kMac));
  EXPECT_FALSE(OpenFittedCommand(*ws, p, kGsasCif));
  EXPECT_FALSE(OpenPatternCommand(*ws, p));
  EXPECT_EQ((Ints{ws->obsCount, ws->autoPeaksFound, p.repaints}), (Ints{4501, 1, 1}));
  EXPECT_EQ(ws->dataFilePath, rint);
  // A failed read leaves the workspace reset under the old title, repainted at once;
  // the point read before the refusal is not kept.
  EXPECT_FALSE(OpenRawCommand(*ws, p, kXyText));
  EXPECT_EQ(p.messages,
            Texts{"Not xy Format File !!!\nbad.dat, line 2: intensity 0 is not above zero"});
  EXPECT_EQ((Ints{ws->blankPlot, ws->rawLoaded, ws->obsCount}), (Ints{1, 0, 0}));
  EXPECT_FLOAT_EQ(ws->xMax, 100.0f);
  EXPECT_EQ(ws->windowTitle, Title(rint));
  EXPECT_EQ(ws->dataFilePath, dir + "/bad.dat");
  EXPECT_FALSE(OpenFittedCommand(*ws, p, kIgorPat));
  EXPECT_EQ(p.Headlines().back(), "Rietan not complete !!");
  EXPECT_EQ((Ints{ws->blankPlot, p.repaints}), (Ints{1, 3}));
  std::filesystem::remove_all(dir);
}

TEST(OpenCommands, FittedFilesReplaceTheRawMode) {
  auto ws = FreshWorkspace();
  ScriptedPlatform p;
  p.openAnswers = {ExamplePath("rietan_general.int"), ExamplePath("fit_two_phases.pat"),
                   ExamplePath("xy_pattern.xy"), ExamplePath("fit_calculated.pat")};
  OpenRawCommand(*ws, p, kRietanInt);
  ASSERT_TRUE(OpenFittedCommand(*ws, p, kIgorPat));
  EXPECT_EQ((Ints{ws->rawLoaded, ws->blankPlot, ws->pairedIntLoad}), (Ints{0, 0, 0}));
  EXPECT_EQ((Ints{ws->phaseCount, ws->segmentCount}), (Ints{2, 3}));
  // The menu's title replaces the reader's.
  EXPECT_EQ(ws->windowTitle, Title(ExamplePath("fit_two_phases.pat")));
  // A calculated-only file shows no stale observed data.
  OpenRawCommand(*ws, p, kXyText);
  ASSERT_TRUE(OpenFittedCommand(*ws, p, kIgorPat));
  EXPECT_EQ(ws->pairedIntLoad, 1);
  for (int i : {1, 100, ws->obsCount})
    EXPECT_TRUE(ws->obs[i].x == ws->calc[i].x && ws->obs[i].y == ws->calc[i].y) << i;
  EXPECT_FLOAT_EQ(ws->yMax, 105.0f);  // ranged on the per-cent curve
  EXPECT_EQ(p.repaints, 4);
}

// What the window's command-line parsing leaves behind.
auto StartWith(const std::string& option, const std::string& path) {
  auto ws = FreshWorkspace();
  ws->dataFilePath = path;
  ws->blankPlot = 0;
  ws->commandLineFilePending = 1;
  ws->pairedIntLoad = option == "-s" ? 1 : 0;
  ws->simulationMode = option == "-x" ? 1 : 0;
  if (option.empty()) ws->startupOption = workspace::kStartupByFileType;
  return ws;
}

TEST(LoadCommandLineFile, AFileWithoutSwitchIsOpenedByItsContent) {
  const std::string unknown = "[File type not known !!!\n" + ExamplePath("README.md") +
                              ": open it from the File menu with its format.]";
  const std::pair<const char*, std::string> cases[] = {
      {"fit_two_phases.pat", "5301 (5301) 10 219 .. 120 51, 15 in 28..117, 20 in 22..119"},
      {"hermes_neutron.raw", "1400 (1400) 10 241.822 .. 149.9 66.2501"},
      {"README.md", unknown}};
  for (const auto& [file, outcome] : cases) {
    const std::string path = ExamplePath(file);
    auto ws = StartWith("", path);
    ScriptedPlatform p;
    p.neutronWavelengthAnswers = {std::string("1.8265")};
    const bool ok = LoadCommandLineFile(*ws, p);
    EXPECT_EQ(Outcome(ok, *ws, p), outcome);
    EXPECT_EQ((Ints{ws->commandLineFilePending, ws->blankPlot}), (Ints{0, !ok}));
    EXPECT_EQ(ws->windowTitle, Title(ok ? path : ""));
  }
}

TEST(LoadCommandLineFile, SwitchesPickTheReaderAndFailuresAreReportedOnce) {
  ScriptedPlatform p;
  auto sim = StartWith("-x", ExamplePath("simulated.sim"));
  ASSERT_TRUE(LoadCommandLineFile(*sim, p));
  EXPECT_EQ((Ints{sim->rawLoaded, sim->blankPlot}), (Ints{1, 0}));
  EXPECT_EQ((Floats{sim->yMax, sim->yTick}), (Floats{105, 50}));  // calc, in per cent
  EXPECT_GT(sim->reflectionCount[1], 10);
  EXPECT_EQ(sim->windowTitle, Title(""));  // not changed by this load
  auto igor = StartWith("-m", ExamplePath("fit_two_phases.pat"));
  ASSERT_TRUE(LoadCommandLineFile(*igor, p));
  EXPECT_EQ(igor->phaseCount, 2);
  EXPECT_FLOAT_EQ(igor->xTick, 20.0f);
  // "-s": the INT file with the Igor file, 100 % the top of the observed range.
  auto paired = StartWith("-s", ExamplePath("fit_calculated.pat"));
  ASSERT_TRUE(LoadCommandLineFile(*paired, p)) << ::testing::PrintToString(p.messages);
  EXPECT_EQ((Ints{paired->pairedIntLoad, paired->rawLoaded}), (Ints{0, 0}));
  const auto top = [n = paired->obsCount](const workspace::PointArray& a) {
    return std::ranges::max(std::span(&a[1], n), {}, &workspace::Point::y).y;
  };
  EXPECT_NEAR(top(paired->calc), paired->yMax, paired->yMax * 1e-3);
  EXPECT_GT(paired->yMax, top(paired->obs));
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

// Debian's objcryst-fox example pattern REL unpacked into DIR; empty (and the
// test failed) when the package is missing.
std::string FoxExample(const std::string& rel, const std::filesystem::path& dir) {
  const std::string packed = "/usr/share/doc/objcryst-fox/example/" + rel + ".gz";
  const auto out = dir / std::filesystem::path(rel).filename();
  if (!std::filesystem::exists(packed) ||
      std::system(("gzip -dc '" + packed + "' > '" + out.string() + "'").c_str()) != 0) {
    ADD_FAILURE() << packed << " cannot be read: install objcryst-fox (scripts/install-deps.sh test)";
    return "";
  }
  return out.string();
}

// Files written by other programs, through the reader named for each in
// tests/data/real/SOURCES.md and, where the content names that reader,
// through Open Pattern's detection too.
TEST(SampleFiles, LoadOrAreRefusedAsTheirSourcesSay) {
  const auto scratch =
      std::filesystem::temp_directory_path() / ("difscop_fox_" + std::to_string(::getpid()));
  std::filesystem::create_directories(scratch);
  const std::string cime = FoxExample("tutorial-cimetidine/cime.dat", scratch),
                    neutron = FoxExample("tutorial-pbso4/neutron.dat", scratch);
  // File, reader, whether detection picks that reader, the outcome.
  const std::tuple<std::string, const char*, bool, const char*> cases[] = {
      {SamplePath("xy_text_4001pts.xy"), "xy", true, "4001 (4001) 20 49 .. 100 29"},
      {SamplePath("pbso4_condensed_neutron.prf"), "prf", true,
       "2910 (2910) 10 220 .. 155.45 326, 207 in 20..160"},
      {SamplePath("fullprof_rutile_anatase_two_phases.prf"), "prf", true,
       "7901 (7901) 20 78 .. 99 41, 50 in 27..99, 52 in 25..101"},
      {SamplePath("fullprof_y2o3_columns.prf"), "prf", true,
       "7345 (7345) 3.12 1554 .. 150 748, 416 in 16..150"},
      // 3300 rows: the first and the last have no calculated value and are left out.
      {SamplePath("gsas_alumina_neutron.cif"), "cif", true,
       "3298 (3298) 3.0324 149 .. 167.882 194, 67 in 25..164"},
      // The first 187 points have weight 0: left out of the fit, not drawn as a fit of zero.
      {SamplePath("gsas2_five_phases.cif"), "cif", true,
       "4002 (4002) 14.9049 1715 .. 119.971 201, 27 in 33..119, "
       "53 in 24..120, 633 in 16..120, 450 in 17..120, 25 in 30..119"},
      // The file holds 198 reflection rows (the README's 200 counts two comment lines).
      {SamplePath("fullprof_pbso4_profile.cif"), "cif", true,
       "2879 (2879) 10.1446 214 .. 154.045 209, 198 in 20..152"},
      {SamplePath("gsas_std_pbso4_xray.gsa"), "gsas", true, "6001 (6001) 10 179 .. 160 368"},
      {SamplePath("gsas_fxye_11bm_49494pts.fxye"), "gsas", true,
       "49494 (49494) 0.5 505.417 .. 49.9864 265.231"},
      // "start step end" and the counts: detected by content, xylib reads it by its extension.
      {SamplePath("fullprof_free_pbso4_xray.dat"), "free", true, "6001 (6001) 10 179 .. 160 368"},
      {SamplePath("fullprof_free_pbso4_xray.dat"), "xylib", false, "6001 (6001) 10 179 .. 160 368"},
      {cime, "free", true, "7699 (7699) 8.01 2707 .. 84.99 939"},
      {neutron, "free", true, "2920 (2920) 10 220 .. 155.95 326"},
      {SamplePath("bruker_bt86.raw"), "xylib", true, "2374 (2374) 3 187 .. 40.0003 269"},
      {SamplePath("panalytical_empyrean.xrdml"), "xylib", true, "196 (196) 30.05 8 .. 41.75 6"},
      // Intensities of zero or below: the (x,y) reader refuses them, detection
      // opens them with the reader that takes any sign.
      {SamplePath("xy_cr_only.txt"), "xy", false,
       "[Not xy Format File !!!\nxy_cr_only.txt, line 8: intensity 0 is not above zero]"},
      {SamplePath("xy_negative_value.tsv"), "xy", false,
       "[Not xy Format File !!!\nxy_negative_value.tsv, line 3: intensity -1.23 is not above "
       "zero]"},
      {SamplePath("xy_cr_only.txt"), "columns", true, "41 (41) 4.2 0.7 .. 6.2 7.5"},
      {SamplePath("xy_negative_value.tsv"), "columns", true, "5 (5) 10 49.5 .. 10.06 21"},
      {SamplePath("bruker_bt86.raw"), "xy", false,
       "[Not xy Format File !!!\nbruker_bt86.raw, line 1: the line holds a NUL byte]"},
      {SamplePath("panalytical_empyrean.xrdml"), "xy", false,
       "[Not xy Format File !!!\npanalytical_empyrean.xrdml: no data point found]"},
  };
  for (const auto& [path, format, detected, outcome] : cases) {
    if (path.empty()) continue;  // already failed
    SCOPED_TRACE(path);
    const std::string file = std::filesystem::path(path).filename().string();
    const FileType type = *FormatByName(format);
    auto ws = FreshWorkspace();
    ScriptedPlatform p;
    p.openAnswers = {path};
    const bool ok =
        type.fitted ? OpenFittedCommand(*ws, p, type.code) : OpenRawCommand(*ws, p, type.code);
    EXPECT_EQ(p.repaints, 1);
    EXPECT_EQ(Outcome(ok, *ws, p), outcome);
    if (!detected) continue;
    const auto found = DetectFormat(*LoadFile(path), file);
    EXPECT_EQ(found ? found->name : "", format);
    ws = FreshWorkspace();
    p = ScriptedPlatform();
    p.openAnswers = {path};
    EXPECT_EQ(Outcome(OpenPatternCommand(*ws, p), *ws, p), outcome);
  }
  std::filesystem::remove_all(scratch);
}

// Real files damaged as files get damaged: cut short, a NUL byte inserted.
// Each is refused with its format's message; nothing of it stays loaded.
TEST(SampleFiles, DamagedCopiesAreRefused) {
  auto bytes = [](const std::string& path) { return LoadFile(path).value_or(""); };
  auto cut = [&](const char* file, std::size_t size) {
    return bytes(SamplePath(file)).substr(0, size);
  };
  std::string nul = bytes(SamplePath("xy_negative_value.tsv"));
  nul.insert(nul.find("-1.23"), 1, '\0');  // hides the bad value from the number scanning
  std::string gsas2 = bytes(SamplePath("gsas2_five_phases.cif"));
  gsas2.resize(gsas2.find("\n", gsas2.find("_pd_proc_number_of_points") + 4000) + 1);
  const std::tuple<const char*, std::string, std::string> cases[] = {
      // No Rietan program's file can be shipped (SOURCES.md): the example's GENERAL form.
      {"int", bytes(ExamplePath("rietan_general.int")).substr(0, 20000),
       "Different Format !\nt: the file ends after 1175 of its 5001 points"},
      {"prf", cut("fullprof_y2o3_columns.prf", 150000),
       "Not FullProf Format File !!!\nt: the file ends after 3055 of its 7345 points"},
      {"prf", cut("pbso4_condensed_neutron.prf", 30000),
       "Not FullProf Format File !!!\nt, line 470: the file ends after 804 of its 2910 "
       "calculated intensities"},
      {"cif", cut("gsas_alumina_neutron.cif", 100000),
       "Not CIF Format File !!!\nt: the loop of _pd_meas_intensity_total ends within row 2025"},
      // Cut at a line end, where no row is left incomplete: the declared count tells.
      {"cif", gsas2, "Not CIF Format File !!!\nt: the file ends after 76 of its 4189 points"},
      {"cif", cut("fullprof_pbso4_profile.cif", 400000),
       "Not CIF Format File !!!\nt: the loop of _refln_index_h ends within row 83"},
      {"gsas", cut("gsas_std_pbso4_xray.gsa", 30000),
       "Not GSAS Raw Format File !!!\nt: the file ends after 3630 of its 6001 points"},
      {"xy", nul, "Not xy Format File !!!\nt, line 3: the line holds a NUL byte"},
  };
  for (const auto& [format, text, message] : cases) {
    SCOPED_TRACE(message);
    const FileType type = *FormatByName(format);
    auto ws = FreshWorkspace();
    ScriptedPlatform p;
    const bool ok = type.fitted ? ReadFittedPatternText(*ws, p, type.code, text, "/d/t")
                                : ReadRawPatternText(*ws, p, type.code, text, "/d/t");
    EXPECT_EQ(Outcome(ok, *ws, p), "[" + message + "]");
  }
}

}  // namespace
}  // namespace difscop::import

namespace difscop::import {
namespace {

using namespace testing;

// Inputs that bring xylib down (a double free, a bus error, a loop without
// end): the library runs in difscop-xylib, so each is the format's refusal
// and this process goes on, to detection and to a sound file after them.
TEST(Xylib, ACrashInTheLibraryIsTheFormatsRefusal) {
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(DIFSCOP_SOURCE_DIR) + "/tests/data/xylib")) {
    const std::string path = entry.path().string(), name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::string bytes = LoadFile(path).value_or("");
    auto ws = FreshWorkspace();
    ScriptedPlatform p;
    EXPECT_FALSE(ReadRawPatternText(*ws, p, kXylib, bytes, path));
    ASSERT_EQ(p.messages.size(), 1u);
    EXPECT_TRUE(p.messages[0].starts_with("Not Readable Format File !!!\n" + name +
                                          ": the reader stopped ("))
        << p.messages[0];
    EXPECT_EQ(ws->obsCount, 0);
    DetectFormat(bytes, path);
    ++files;
  }
  EXPECT_GE(files, 1);
  auto ws = FreshWorkspace();
  ScriptedPlatform p;
  p.openAnswers = {SamplePath("panalytical_empyrean.xrdml")};
  EXPECT_TRUE(OpenPatternCommand(*ws, p));
  EXPECT_EQ(ws->obsCount, 196);
  // More points than the workspace holds: the first ones, and the notice.
  std::string uxd = "_FILEVERSION=1\n_DRIVE=COUPLED\n_STEPSIZE=0.001\n_START=10.0\n_COUNTS\n";
  for (int i = 0; i < workspace::kMaxPoints + 5; ++i) uxd += " 7";
  p = ScriptedPlatform();
  EXPECT_TRUE(ReadRawPatternText(*ws, p, kXylib, uxd + "\n", "/d/long.uxd"));
  EXPECT_EQ(ws->obsCount, workspace::kMaxPoints);
  EXPECT_EQ(p.messages, Texts{"Only the first 99999 points were read !!!"});
}

}  // namespace
}  // namespace difscop::import
