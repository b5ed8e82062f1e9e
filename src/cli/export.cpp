// difscop-cli export FORMAT FILE --to LAYOUT --data-type 0..3 [--smooth N]
//                    --out PATH [--wavelength W]
// Loads the pattern as the program would, smooths it when asked, and runs the
// window's export command with the answers given here.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "cli/load_pattern.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "export/powder_commands.h"
#include "processing/smoothing.h"
#include "textio/scan.h"
#include "workspace/workspace.h"

namespace difscop::cli {
namespace {

bool WholeNumber(const std::string& text, int& value) {
  return !text.empty() && textio::ParseInt(text, value) == text.size();
}

}  // namespace

int RunExport(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string to;
  std::string out;
  int dataType = -1;
  std::optional<int> smooth;
  std::optional<float> wavelength;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    int number = 0;
    if (a == "--to" && hasValue) {
      to = args[++i];
    } else if (a == "--out" && hasValue) {
      out = args[++i];
    } else if (a == "--data-type" && hasValue && WholeNumber(args[i + 1], number)) {
      dataType = number;
      ++i;
    } else if (a == "--smooth" && hasValue && WholeNumber(args[i + 1], number)) {
      smooth = number;
      ++i;
    } else if (a == "--wavelength" && hasValue) {
      double w = 0.0;
      if (!CliNumber("--wavelength", args[++i], w)) return 2;
      wavelength = static_cast<float>(w);
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "unknown or incomplete option: %s\n", a.c_str());
      return UsageError("export");
    } else {
      positional.push_back(a);
    }
  }
  const int format = exporter::PowderFormatOfName(to);
  if (positional.size() != 2 || format < 0 || dataType < 0 || dataType > 3 || out.empty()) {
    return UsageError("export");
  }

  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  if (!LoadPatternForCli(*ws, positional[0], positional[1], wavelength)) return 1;
  if (smooth) {
    if (std::optional<std::string> refused = processing::CheckSmoothingPoints(*smooth)) {
      std::fprintf(stderr, "%s\n", refused->c_str());
      return 2;
    }
    if (ws->rawLoaded && !ws->simulationMode) {
      processing::SmoothPattern(*ws, *smooth);
      ws->smoothedValid = 1;
    }
  }

  CliPlatform platform;
  platform.dataTypeAnswers.push_back(dataType);
  platform.saveAnswers.push_back(out);
  exporter::ExportPowderCommand(*ws, platform, format);
  const bool saved =
      !platform.messages.empty() && platform.messages.back() == "Successfully Saved !";
  return saved ? 0 : 1;
}

}  // namespace difscop::cli
