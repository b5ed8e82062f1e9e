// `difscop-cli render`: replaces this process with difscop-render, which
// holds all picture output, so the rest of the CLI links no Qt. The user's
// command line, exit status and messages stay those of difscop-cli.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/commands.h"

namespace difscop::cli {
namespace {

namespace fs = std::filesystem;

// Beside this program in the build tree, in libexec once installed.
fs::path RenderProgram() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) return "difscop-render";
  const fs::path here = self.parent_path();
  const fs::path beside = here / "difscop-render";
  if (fs::is_regular_file(beside, error)) return beside;
  return (here / DIFSCOP_RENDER_FROM_BIN / "difscop-render").lexically_normal();
}

}  // namespace

int StartRender(const std::vector<std::string>& args) {
  const std::string program = RenderProgram().string();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);
  ::execv(program.c_str(), argv.data());
  std::fprintf(stderr, "difscop-cli render: cannot start %s: %s\n", program.c_str(),
               std::strerror(errno));
  return 1;
}

}  // namespace difscop::cli
