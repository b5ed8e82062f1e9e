#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "settings/settings_file.h"

namespace difscop::settings {

std::string FindEditorOnPath(std::string_view pathVariable) {
  // Graphical editors of the common desktops, the most widespread first.
  static constexpr std::array<std::string_view, 10> kEditors = {
      "gedit", "gnome-text-editor", "kate",   "kwrite", "mousepad", "xed", "pluma",
      "geany", "featherpad",        "leafpad"};
  for (std::string_view editor : kEditors) {
    std::size_t pos = 0;
    while (pos <= pathVariable.size()) {
      std::size_t end = pathVariable.find(':', pos);
      if (end == std::string_view::npos) end = pathVariable.size();
      std::string_view dir = pathVariable.substr(pos, end - pos);
      pos = end + 1;
      // An empty or relative entry would mean a directory the user happens
      // to be in; an editor is not looked for there.
      if (dir.empty() || dir.front() != '/') continue;
      std::filesystem::path candidate = std::filesystem::path(dir) / editor;
      std::error_code ec;
      if (std::filesystem::is_regular_file(candidate, ec) &&
          ::access(candidate.c_str(), X_OK) == 0) {
        return candidate.string();
      }
    }
  }
  return "xdg-open";
}

std::string DefaultEditor() {
#ifdef _WIN32
  return "c:\\windows\\notepad.exe";
#else
  const char* path = std::getenv("PATH");
  return FindEditorOnPath(path ? path : "");
#endif
}

}  // namespace difscop::settings
