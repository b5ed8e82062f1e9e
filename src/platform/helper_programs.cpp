#include "platform/helper_programs.h"

#include <filesystem>
#include <system_error>

#include "textio/text_writer.h"

namespace difscop::platform {

namespace fs = std::filesystem;

std::string HelperProgramPath(const std::string& name) {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  const fs::path built = fs::path(DIFSCOP_HELPERS_BUILD_DIR) / name;
  if (error) return built.string();
  const fs::path here = self.parent_path();
  for (const fs::path& candidate :
       {here / name, (here / DIFSCOP_HELPERS_FROM_BIN / name).lexically_normal()}) {
    if (fs::is_regular_file(candidate, error)) return candidate.string();
  }
  // The build tree's helpers serve only programs of that tree (the window,
  // tests, fuzz harnesses): an installed program never runs a build's.
  const std::string root = DIFSCOP_BUILD_ROOT "/";
  if (self.string().compare(0, root.size(), root) == 0) return built.string();
  return (here / DIFSCOP_HELPERS_FROM_BIN / name).lexically_normal().string();
}

std::string HelperFailure(const HelperRun& run, std::string_view what, int timeoutMilliseconds) {
  const std::string who(what);
  switch (run.end) {
    case HelperRun::End::kNotStarted:
      return who + " could not be started: " + std::error_code(run.code, std::generic_category()).message();
    case HelperRun::End::kSignalled:
      return textio::Format("%s stopped (signal %d)", who.c_str(), run.code);
    case HelperRun::End::kTimedOut:
      return textio::Format("%s stopped (no result within %d s)", who.c_str(),
                            (timeoutMilliseconds + 999) / 1000);
    case HelperRun::End::kExited:
      break;
  }
  return textio::Format("%s stopped (exit status %d)", who.c_str(), run.code);
}

}  // namespace difscop::platform
