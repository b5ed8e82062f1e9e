#include "settings/settings_location.h"

#include <cstdlib>
#include <system_error>

#include "textio/line_reader.h"
#include "textio/text_writer.h"

namespace difscop::settings {
namespace fs = std::filesystem;

fs::path UserConfigDirectory() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg && fs::path(xdg).is_absolute()) return xdg;
  const char* home = std::getenv("HOME");
  if (home && *home) return fs::path(home) / ".config";
  return {};
}

fs::path LocateSettingsFile(const std::string& startDirectory, const std::string& dataDirectory,
                            const fs::path& configDirectory) {
  const fs::path here = fs::path(startDirectory) / "Difscop.ini";
  std::error_code ec;
  if (fs::exists(here, ec) || configDirectory.empty()) return here;
  const fs::path own = configDirectory / "difscop" / "Difscop.ini";
  if (fs::exists(own, ec) || dataDirectory.empty()) return own;
  // First start: the user's copy of the installed default. A copy that
  // cannot be made leaves the file missing, and the reader says so.
  if (std::optional<std::string> text = textio::ReadWholeFile(fs::path(dataDirectory) / "Difscop.ini")) {
    fs::create_directories(own.parent_path(), ec);
    if (!ec) textio::WriteFileAtomically(own, *text);
  }
  return own;
}

fs::path LocateSettingsFile(const std::string& startDirectory, const std::string& dataDirectory) {
  return LocateSettingsFile(startDirectory, dataDirectory, UserConfigDirectory());
}

}  // namespace difscop::settings
