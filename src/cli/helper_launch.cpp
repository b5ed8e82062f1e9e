// `difscop-cli render`, `index` and `phase`: this process is replaced by the
// program that does the work (difscop-render holds all picture output and
// Qt, difscop-index the indexing library, difscop-phase the structure
// libraries), so the other subcommands load none of them. The user's command line, exit status and messages stay those of
// difscop-cli.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/helper_programs.h"

namespace difscop::cli {
namespace {

int StartHelper(const char* subcommand, const char* name, const std::vector<std::string>& args) {
  const std::string program = platform::HelperProgramPath(name);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  ::execv(program.c_str(), argv.data());
  std::fprintf(stderr, "difscop-cli %s: cannot start %s: %s\n", subcommand, program.c_str(),
               std::strerror(errno));
  return 1;
}

}  // namespace

#ifdef DIFSCOP_CLI_RENDER
int StartRender(const std::vector<std::string>& args) {
  return StartHelper("render", "difscop-render", args);
}
#endif

int StartIndex(const std::vector<std::string>& args) {
  return StartHelper("index", "difscop-index", args);
}

int StartPhase(const std::vector<std::string>& args) {
  return StartHelper("phase", "difscop-phase", args);
}

}  // namespace difscop::cli
