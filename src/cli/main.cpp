// difscop-cli: the program's command flows driven from the command line.
// What each subcommand takes is in subcommands.cpp; here each name meets the
// function that runs it.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch.h"
#include "cli/commands.h"
#include "cli/subcommands.h"
#include "textio/temporary_files.h"

namespace {

using difscop::cli::SubcommandRun;

struct Runner {
  const char* name;
  SubcommandRun run;
};

const Runner kRunners[] = {
    {"info", difscop::cli::RunInfo},
    {"export", difscop::cli::RunExport},
#ifdef DIFSCOP_CLI_RENDER
    {"render", difscop::cli::StartRender},
#endif
    {"smooth", difscop::cli::RunSmooth},
    {"peaks", difscop::cli::RunPeaks},
    {"background", difscop::cli::RunBackground},
    {"fit", difscop::cli::RunFit},
    {"strip-ka2", difscop::cli::RunStripKa2},
    {"index", difscop::cli::StartIndex},
    {"index-input", difscop::cli::RunIndexInput},
    {"cellref", difscop::cli::RunCellRef},
    {"cell-solutions", difscop::cli::RunCellSolutions},
    {"phase", difscop::cli::StartPhase},
};

SubcommandRun RunnerOf(std::string_view name) {
  for (const Runner& r : kRunners) {
    if (name == r.name) return r.run;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  // A file half written when the user interrupts leaves no temporary behind.
  difscop::textio::RemoveTemporariesOnSignals();
  using namespace difscop::cli;
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::fputs(ProgramUsage().c_str(), stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("difscop-cli %s\n", kVersion);
    return 0;
  }
  const SubcommandSpec* spec = FindSubcommand(first);
  const SubcommandRun run = RunnerOf(first);
  if (!spec) {
    if (argc > 1) std::fprintf(stderr, "difscop-cli: unknown subcommand: %s\n", first.c_str());
    std::fputs(ProgramUsage().c_str(), stderr);
    return 2;
  }
  const std::optional<RunPlan> plan = PlanRuns(*spec, std::vector<std::string>(argv + 2, argv + argc));
  if (!plan) return 2;
  if (plan->help) {
    std::fputs(UsageText(*spec).c_str(), stdout);
    return 0;
  }
  if (!run) {
    // Listed in the usage, but this build left it out (render needs Qt).
    std::fprintf(stderr, "difscop-cli: %s is not part of this build (built without Qt)\n", first.c_str());
    std::fputs(UsageText(*spec).c_str(), stderr);
    return 2;
  }
  return RunPlanned(*plan, run);
}
