#include "app/commands/command_line.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using difscop::commands::ParseCommandLine;
using difscop::workspace::Workspace;

namespace {

std::unique_ptr<Workspace> Parse(const std::string& program, std::vector<std::string> args) {
  auto ws = std::make_unique<Workspace>();
  ParseCommandLine(*ws, program, args);
  return ws;
}

}  // namespace

TEST(CommandLine, NoSwitchLeavesNothingToLoad) {
  auto ws = Parse("/usr/bin/difscop", {});
  EXPECT_EQ(ws->commandLine, "/usr/bin/difscop");
  EXPECT_EQ(ws->commandLineFilePending, 0);
  EXPECT_EQ(ws->blankPlot, 1);
  EXPECT_EQ(ws->dataFilePath, "");
}

TEST(CommandLine, EachSwitchSetsItsModeAndTheFile) {
  auto i = Parse("difscop", {"-i", "/data/fit.pat"});
  EXPECT_EQ(i->commandLine, "difscop -i /data/fit.pat");
  EXPECT_EQ(i->startupOption, 0);
  EXPECT_EQ(i->pairedIntLoad, 0);
  EXPECT_EQ(i->simulationMode, 0);
  EXPECT_EQ(i->dataFilePath, "/data/fit.pat");
  EXPECT_EQ(i->commandLineFilePending, 1);
  EXPECT_EQ(i->blankPlot, 0);

  auto s = Parse("difscop", {"-s", "sim.pat"});
  EXPECT_EQ(s->startupOption, 1);
  EXPECT_EQ(s->pairedIntLoad, 1);
  EXPECT_EQ(s->dataFilePath, "sim.pat");

  auto m = Parse("difscop", {"-m", "fit.pat"});
  EXPECT_EQ(m->startupOption, 2);
  EXPECT_EQ(m->pairedIntLoad, 0);

  auto x = Parse("difscop", {"-x", "sim.dat"});
  EXPECT_EQ(x->simulationMode, 1);
  EXPECT_EQ(x->pairedIntLoad, 0);
  EXPECT_EQ(x->startupOption, 0);
  EXPECT_EQ(x->dataFilePath, "sim.dat");

  // An unknown switch changes no mode, but its file is still loaded.
  auto q = Parse("difscop", {"-q", "fit.pat"});
  EXPECT_EQ(q->startupOption, 0);
  EXPECT_EQ(q->simulationMode, 0);
  EXPECT_EQ(q->dataFilePath, "fit.pat");
  EXPECT_EQ(q->commandLineFilePending, 1);
}

TEST(CommandLine, DashesInPathsAreNotSwitches) {
  // A '-' in the install directory of the program.
  auto ws = Parse("/opt/x-ray/difscop-1.0/difscop", {});
  EXPECT_EQ(ws->commandLineFilePending, 0);
  EXPECT_EQ(ws->dataFilePath, "");
  EXPECT_EQ(ws->blankPlot, 1);

  auto withFile = Parse("/opt/x-ray/difscop", {"-i", "/home/me/quartz-2θ/run-3.pat"});
  EXPECT_EQ(withFile->dataFilePath, "/home/me/quartz-2θ/run-3.pat");

  // A file named without a switch is opened by its type; only the first.
  auto bare = Parse("difscop", {"my-file.pat", "other.prf"});
  EXPECT_EQ(bare->commandLineFilePending, 1);
  EXPECT_EQ(bare->startupOption, difscop::workspace::kStartupByFileType);
  EXPECT_EQ(bare->dataFilePath, "my-file.pat");
  EXPECT_EQ(bare->blankPlot, 0);
  // With a switch anywhere the switch decides, as it always has.
  auto late = Parse("difscop", {"a.pat", "-x", "sim.dat"});
  EXPECT_EQ(late->simulationMode, 1);
  EXPECT_EQ(late->startupOption, 0);
  EXPECT_EQ(late->dataFilePath, "sim.dat");
}

TEST(CommandLine, HelpAndVersionOnlyAsTheFirstArgument) {
  using difscop::commands::InformationRequest;
  using difscop::commands::InformationRequested;
  using V = std::vector<std::string>;
  EXPECT_EQ(InformationRequested(V{"--help"}), InformationRequest::kHelp);
  EXPECT_EQ(InformationRequested(V{"--version", "x.pat"}), InformationRequest::kVersion);
  EXPECT_EQ(InformationRequested(V{"-i", "--help"}), InformationRequest::kNone);
  EXPECT_EQ(InformationRequested(V{"--helpme"}), InformationRequest::kNone);
  EXPECT_EQ(InformationRequested(V{}), InformationRequest::kNone);
}

TEST(CommandLine, FileTextIsEverythingAfterTheSwitchAndOneBlank) {
  // A path with blanks given as several arguments comes back whole.
  auto ws = Parse("difscop", {"-i", "/data/my", "fit.pat"});
  EXPECT_EQ(ws->dataFilePath, "/data/my fit.pat");
  // A switch with nothing after it names an empty file (the load then fails
  // with the reader's message).
  auto empty = Parse("difscop", {"-i"});
  EXPECT_EQ(empty->dataFilePath, "");
  EXPECT_EQ(empty->commandLineFilePending, 1);
  // Only the first switch counts; the rest is file text.
  auto two = Parse("difscop", {"-x", "-i", "a.pat"});
  EXPECT_EQ(two->simulationMode, 1);
  EXPECT_EQ(two->dataFilePath, "-i a.pat");
}
