// Feeds arbitrary bytes as Difscop.ini to the settings reader, then saves
// and reads back: the display values must survive and the kept sections must
// come through byte for byte (the profile section is rewritten). A file the program cannot read as text (UTF-16,
// say) is not replaced: Save Para says so and leaves it as it was.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "platform/scripted_platform.h"
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
    std::fprintf(stderr, "settings round trip broken: %s\n", what);
    std::abort();
  }
}

std::string Display(const workspace::Workspace& ws) {
  return settings::FormatDisplayPart(ws);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path ini = ScratchDirectory() / "Difscop.ini";
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::ofstream(ini, std::ios::binary | std::ios::trunc) << input;
  const std::optional<std::string> asRead = textio::ReadWholeFile(ini);

  // The workspace is large: one for the whole run, put back to the start
  // values each time.
  static auto ws = std::make_unique<workspace::Workspace>();
  static auto again = std::make_unique<workspace::Workspace>();
  for (workspace::Workspace* w : {ws.get(), again.get()}) {
    w->startDirectory = ScratchDirectory().string();
    w->ka1Wavelength = 1.540593f;
    w->ka2Wavelength = 1.54441f;
    w->ka2WavelengthTolerance = w->ka2IntensityTolerance = 0.05f;
    w->ka2Ratio = 0.5f;
  }
  platform::ScriptedPlatform platform;
  settings::ApplyDisplayDefaults(*ws);
  settings::ReadSettings(*ws, platform);

  platform.yesNoAnswers = {true};
  const std::size_t shown = platform.messages.size();
  settings::SaveParaCommand(*ws, platform);
  if (!asRead) {
    std::ifstream file(ini, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Check(bytes == input, "an unreadable file was replaced");
    Check(platform.messages.size() > shown, "the refusal was not shown");
    return 0;
  }
  const std::string saved = textio::ReadWholeFile(ini).value_or("");
  // The profile section is the program's own, written anew (or left out
  // while it holds the built-in values and the file had none).
  const std::string base = Display(*ws) + settings::WithoutProfile(settings::KeptSections(*asRead));
  Check(saved == base || saved == base + settings::FormatProfilePart(*ws), "kept sections");

  settings::ApplyDisplayDefaults(*again);
  settings::ReadSettings(*again, platform);
  Check(Display(*again) == Display(*ws), "display values");
  return 0;
}
