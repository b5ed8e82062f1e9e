#include "app/commands/command_line.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace difscop::commands;
using difscop::workspace::Workspace;

TEST(CommandLine, TheSwitchSetsTheModeAndTheRestNamesTheFile) {
  struct Case {
    std::vector<std::string> args;
    int option, paired, simulation, pending;
    std::string file;
  };
  constexpr int kByType = difscop::workspace::kStartupByFileType;
  const Case cases[] = {
      {{}, 0, 1, 0, 0, ""},
      {{""}, 0, 1, 0, 0, ""},
      {{"-i", "/home/me/quartz-2θ/run-3.pat"}, 0, 0, 0, 1, "/home/me/quartz-2θ/run-3.pat"},
      {{"-s", "sim.pat"}, 1, 1, 0, 1, "sim.pat"},
      {{"-m", "fit.pat"}, 2, 1, 0, 1, "fit.pat"},
      {{"-x", "sim.dat"}, 0, 0, 1, 1, "sim.dat"},
      // An unknown switch changes no mode, but its file is still loaded.
      {{"-q", "fit.pat"}, 0, 1, 0, 1, "fit.pat"},
      // Without a switch a lone file is opened by its type at the first paint,
      // several together once the window is up (checked below).
      {{"my-file.pat"}, kByType, 1, 0, 1, "my-file.pat"},
      {{"my-file.pat", "", "other.prf"}, kByType, 1, 0, 0, ""},
      // A switch anywhere decides; what follows it is file text joined by blanks.
      {{"a.pat", "-x", "sim.dat"}, 0, 0, 1, 1, "sim.dat"},
      {{"-i", "/data/my", "fit.pat"}, 0, 0, 0, 1, "/data/my fit.pat"},
      {{"-i"}, 0, 0, 0, 1, ""},
      {{"-x", "-i", "a.pat"}, 0, 0, 1, 1, "-i a.pat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.front());
    auto ws = std::make_unique<Workspace>();
    ws->pairedIntLoad = 1;  // set beforehand, so that the switches clearing it show
    // A '-' in the program's own directory is no switch.
    ParseCommandLine(*ws, "/opt/x-ray/difscop-1.0/difscop", c.args);
    EXPECT_EQ((std::vector<int>{ws->startupOption, ws->pairedIntLoad, ws->simulationMode,
                                ws->commandLineFilePending, ws->blankPlot}),
              (std::vector<int>{c.option, c.paired, c.simulation, c.pending, 1 - c.pending}));
    EXPECT_EQ(ws->dataFilePath, c.file);
  }
  auto ws = std::make_unique<Workspace>();
  ParseCommandLine(*ws, "difscop", std::vector<std::string>{"my-file.pat", "", "other.prf"});
  EXPECT_EQ(ws->startupFiles, (std::vector<std::string>{"my-file.pat", "other.prf"}));
  ws = std::make_unique<Workspace>();
  ParseCommandLine(*ws, "difscop", std::vector<std::string>{"-i", "a b.pat"});
  EXPECT_EQ(ws->commandLine, "difscop -i a b.pat");
}

TEST(CommandLine, HelpAndVersionOnlyAsTheFirstArgument) {
  using V = std::vector<std::string>;
  EXPECT_EQ(InformationRequested(V{"--help"}), InformationRequest::kHelp);
  EXPECT_EQ(InformationRequested(V{"--version", "x.pat"}), InformationRequest::kVersion);
  for (const V& none : {V{"-i", "--help"}, V{"--helpme"}, V{}})
    EXPECT_EQ(InformationRequested(none), InformationRequest::kNone);
}
