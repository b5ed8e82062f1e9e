// Running a subcommand of difscop-cli over its files: the arguments checked
// against the subcommand's table row, --out-dir turned into each file's
// output, and several files worked on in parallel (-j N), each in a process of
// its own, their output printed in the order the files were given.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/subcommands.h"

namespace difscop::cli {

using SubcommandRun = int (*)(const std::vector<std::string>& args);

// What one file's run gets: the subcommand's arguments with that file alone.
struct FileRun {
  std::string file;  // empty for a subcommand that reads no pattern
  std::vector<std::string> args;
};

struct RunPlan {
  std::vector<FileRun> runs;
  int jobs = 1;
  bool json = false;
  bool help = false;  // --help or -h was given
};

// The runs that args (the words after the subcommand's name) ask for. A usage
// error prints its reason and the usage on stderr and gives nullopt.
std::optional<RunPlan> PlanRuns(const SubcommandSpec& spec, const std::vector<std::string>& args);

// Runs the plan: one file in this process, several in child processes at
// most plan.jobs at a time. Each file's stdout and stderr are printed whole,
// in the files' order; with several files and no --json, each file's stdout
// is headed "==> FILE <==". A file that fails has its reason on stderr (with
// --json, also a {"file", "status", "error"} line on stdout) and the others
// go on. The exit status: 2 when a run found a usage error, else 1 when any
// file failed, else 0.
int RunPlanned(const RunPlan& plan, SubcommandRun run);

}  // namespace difscop::cli
