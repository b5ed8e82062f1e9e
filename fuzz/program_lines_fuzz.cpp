// Feeds arbitrary bytes as Difscop.ini to the program-path rewrite: either
// the file stays as it was, or only the four program lines changed and every
// other line is still there, whole.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/scripted_platform.h"
#include "settings/ini_text.h"
#include "settings/program_paths.h"
#include "settings/settings_file.h"
#include "textio/line_reader.h"
#include "workspace/workspace.h"

using namespace difscop;

namespace {

const std::filesystem::path& ScratchDirectory() {
  static const std::filesystem::path dir = [] {
    // No editor search on PATH for every input: it would dominate the run.
    setenv("PATH", "", 1);
    // Memory-backed when there is such a directory: every input is synced.
    std::error_code ec;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::string tmpl = (base / "difscop_fuzz_XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    static std::string made = tmpl;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(made, ignored);
    });
    return std::filesystem::path(tmpl);
  }();
  return dir;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "program-line rewrite broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path ini = ScratchDirectory() / "Difscop.ini";
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::ofstream(ini, std::ios::binary | std::ios::trunc) << input;

  // The workspace is large: one for the whole run.
  static auto ws = std::make_unique<workspace::Workspace>();
  ws->startDirectory = ScratchDirectory().string();
  platform::ScriptedPlatform platform;
  settings::SetProgramPaths(*ws, {"/n/CellRef", "/n/Cell.sh", "/n/EXPO", "/n/GenHKL"});
  const bool written = settings::WriteProgramPaths(*ws, platform);
  std::ifstream file(ini, std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!written) {
    Check(after == input, "file changed although the rewrite failed");
    return 0;
  }
  // A UTF-8 byte-order mark is not part of the first line.
  const bool mark = input.rfind("\xEF\xBB\xBF", 0) == 0;
  const auto before = settings::SplitLines(std::string_view(input).substr(mark ? 3 : 0));
  const auto now = settings::SplitLines(after);
  Check(before.size() == now.size(), "line count");
  // A changed line is a program line, in key order (a line already holding
  // its new path does not change, so keys may be skipped).
  std::size_t key = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] == now[i]) continue;
    while (key < settings::kProgramKeys.size() &&
           now[i].rfind(settings::kProgramKeys[key], 0) != 0) {
      ++key;
    }
    Check(key < settings::kProgramKeys.size(), "changed line");
    ++key;
  }
  settings::ReadSettings(*ws, platform);
  return 0;
}
