// difscop-cli render FORMAT FILE [FILE ...] --out PATH [--view overlay|stack|map]
//                    [--x 2theta|d|q] [--y linear|sqrt|log] [--size WxH] [--dpi N]
//                    [--mono] [--scheme paper|screen] [--range XMIN XMAX YMIN YMAX]
//                    [--wavelength W] [--phase CIF [--block NAME]]... [--neutron]
//                    [--profile FWHM]
// Paints the plot as the pattern window would at that client size, through
// the window's own paint, into a picture file chosen by the extension (PNG
// for any other name). Several files are shown together, as the window
// shows the patterns open in it. Display settings come from
// Difscop.ini in the current directory when there is one, as at start.
#include <QGuiApplication>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/pictures/picture_files.h"
#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "cli/load_pattern.h"
#include "cli/processing_options.h"
#include "cli/subcommands.h"
#include "plot/geometry.h"
#include "plot/palette.h"
#include "plot/plot.h"
#include "plot/view.h"
#include "plot/reference_phases.h"
#include "settings/settings_file.h"
#include "structures/crystal_structure.h"
#include "structures/reference_overlay.h"
#include "textio/scan.h"
#include "workspace/workspace.h"

namespace difscop::cli {
namespace {

struct RenderOptions {
  std::string format;
  std::vector<std::string> files;
  workspace::Layout layout = workspace::Layout::kOverlay;
  workspace::XAxis xAxis = workspace::XAxis::kTwoTheta;
  workspace::YAxis yAxis = workspace::YAxis::kLinear;
  std::string out;
  int width = 700;
  int height = 480;
  int dpi = app::kScreenDpi;
  bool mono = false;
  plot::ColourScheme scheme = plot::ColourScheme::kPaper;
  std::optional<std::array<float, 4>> range;
  std::optional<float> wavelength;
  std::vector<std::pair<std::string, std::string>> phases;  // CIF, block
  bool neutron = false;
  std::optional<double> profileFwhm;
};

// One of the words an option takes; false (with a message) for another.
template <typename T>
bool Choose(const std::string& option, const std::string& word,
            std::initializer_list<std::pair<const char*, T>> choices, T& value) {
  std::string names;
  for (const auto& [name, v] : choices) {
    if (word == name) {
      value = v;
      return true;
    }
    names += names.empty() ? name : std::string("|") + name;
  }
  std::fprintf(stderr, "%s needs %s\n", option.c_str(), names.c_str());
  return false;
}

std::optional<RenderOptions> ParseArgs(const std::vector<std::string>& args) {
  using workspace::Layout, workspace::XAxis, workspace::YAxis;
  RenderOptions o;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const std::size_t left = args.size() - i - 1;
    if (a == "--out" && left >= 1) {
      o.out = args[++i];
    } else if (a == "--size" && left >= 1) {
      if (!ParseSizeText(args[++i], o.width, o.height)) {
        std::fprintf(stderr, "--size needs WxH, for example 700x480\n");
        return std::nullopt;
      }
    } else if (a == "--dpi" && left >= 1) {
      const std::string& t = args[++i];
      if (t.empty() || textio::ParseInt(t, o.dpi) != t.size()) {
        std::fprintf(stderr, "--dpi needs a whole number, for example 300\n");
        return std::nullopt;
      }
    } else if (a == "--mono") {
      o.mono = true;
    } else if (a == "--scheme" && left >= 1) {
      const std::string& s = args[++i];
      if (s != "paper" && s != "screen") {
        std::fprintf(stderr, "--scheme needs paper or screen\n");
        return std::nullopt;
      }
      o.scheme = s == "paper" ? plot::ColourScheme::kPaper : plot::ColourScheme::kScreen;
    } else if (a == "--view" && left >= 1) {
      if (!Choose(a, args[++i],
                  {std::pair{"overlay", Layout::kOverlay}, {"stack", Layout::kStack},
                   {"map", Layout::kMap}},
                  o.layout))
        return std::nullopt;
    } else if (a == "--x" && left >= 1) {
      if (!Choose(a, args[++i],
                  {std::pair{"2theta", XAxis::kTwoTheta}, {"d", XAxis::kD}, {"q", XAxis::kQ}},
                  o.xAxis))
        return std::nullopt;
    } else if (a == "--y" && left >= 1) {
      if (!Choose(a, args[++i],
                  {std::pair{"linear", YAxis::kLinear}, {"sqrt", YAxis::kSqrt},
                   {"log", YAxis::kLog}},
                  o.yAxis))
        return std::nullopt;
    } else if (a == "--range" && left >= 4) {
      std::array<float, 4> r{};
      for (float& v : r) {
        const std::optional<double> number = textio::ParseFiniteNumber(args[++i]);
        if (!number) {
          std::fprintf(stderr, "--range needs four numbers (written like 12.5, with a point)\n");
          return std::nullopt;
        }
        v = static_cast<float>(*number);
      }
      o.range = r;
    } else if (a == "--phase" && left >= 1) {
      o.phases.emplace_back(args[++i], "");
    } else if (a == "--block" && left >= 1 && !o.phases.empty()) {
      o.phases.back().second = args[++i];
    } else if (a == "--neutron") {
      o.neutron = true;
    } else if ((a == "--wavelength" || a == "--profile") && left >= 1) {
      const std::optional<double> number = textio::ParseFiniteNumber(args[++i]);
      if (!number || !(*number > 0)) {
        std::fprintf(stderr, "%s needs a number above 0 (written like 1.5406, with a point)\n",
                     a.c_str());
        return std::nullopt;
      }
      if (a == "--wavelength") o.wavelength = static_cast<float>(*number);
      else o.profileFwhm = *number;
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "unknown or incomplete option: %s\n", a.c_str());
      return std::nullopt;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() < 2 || o.out.empty()) return std::nullopt;
  o.format = positional[0];
  o.files.assign(positional.begin() + 1, positional.end());
  return o;
}

// Every file into a pattern of its own, each in its palette colour, the
// first one active; any file that fails fails the whole picture.
bool LoadPatterns(workspace::Workspace& ws, const std::string& format,
                  const std::vector<std::string>& files, std::optional<float> wavelength) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (i > 0) workspace::AddPattern(ws, files[i], plot::PatternColour(static_cast<int>(i)));
    if (!LoadPatternForCli(ws, format, files[i], wavelength)) return false;
  }
  for (std::size_t i = 0; i < ws.patterns.size(); ++i) {
    ws.patterns[i].name = files[i];
    ws.patterns[i].colour = plot::PatternColour(static_cast<int>(i));
  }
  workspace::Activate(ws, 0);
  workspace::UpdateTitle(ws);
  return true;
}

// The --phase structures over the loaded pattern; false, with the reason on
// stderr, for a CIF that gives no structure.
bool AddReferencePhases(const RenderOptions& o, workspace::Workspace& ws) {
  if (o.phases.empty()) return true;
  std::vector<structures::ReferencePhase> phases;
  for (const auto& [path, block] : o.phases) {
    const structures::StructureRead read = structures::ReadStructureFile(path, block);
    if (!read.ok) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), read.error.c_str());
      return false;
    }
    structures::ReferencePhase phase;
    phase.structure = read.structure;
    phase.name = read.structure.phaseName;
    phase.colour = plot::ReferencePhaseColour(static_cast<int>(phases.size()));
    phase.probe = o.neutron ? structures::Probe::kNeutron : structures::Probe::kXray;
    phases.push_back(std::move(phase));
  }
  structures::ReferenceOptions options;
  options.profile = o.profileFwhm.has_value();
  if (o.profileFwhm) options.shape.fwhm = *o.profileFwhm;
  const structures::OverlayUpdate update = structures::UpdateReferenceOverlays(phases, options, ws);
  if (!update.ok) {
    std::fprintf(stderr, "%s\n", update.error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int RunRender(const std::vector<std::string>& args) {
  std::optional<RenderOptions> options = ParseArgs(args);
  if (!options) {
    return UsageError("render");
  }
  auto ws = std::make_unique<workspace::Workspace>();
  settings::ApplyDisplayDefaults(*ws);
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  if (!error && std::filesystem::is_regular_file(here / "Difscop.ini", error)) {
    ws->startDirectory = here.string();
    CliPlatform settingsPlatform;
    settings::ReadSettings(*ws, settingsPlatform);
  }
  workspace::ResetWorkspace(*ws);
  ws->layout = options->layout;
  ws->xAxis = options->xAxis;
  ws->yAxis = options->yAxis;
  if (!LoadPatterns(*ws, options->format, options->files, options->wavelength)) return 1;
  if (options->wavelength) {
    // Given on the command line: it stands for the active pattern's own.
    ws->wavelength = *options->wavelength;
    ws->wavelengthFromPattern = 1;
  }
  plot::AutoRangeView(*ws);
  if (options->range) {
    const auto& r = *options->range;
    ws->xMin = r[0];
    ws->xMax = r[1];
    ws->yMin = r[2];
    ws->yMax = r[3];
    plot::ChooseViewTicks(*ws);
    if (!plot::RangeDrawable(*ws)) {
      std::fprintf(stderr, "--range: each end must be larger than its start\n");
      return 2;
    }
  }
  if (options->mono) ws->colorDrawing = 0;
  if (!AddReferencePhases(*options, *ws)) return 1;

  // Fonts need a GUI application; no display is needed to paint an image.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "difscop-cli";
  char* argv[] = {name, nullptr};
  QGuiApplication application(argc, argv);

  // Bitmap, metafile and graph file go through the export commands' writers.
  if (int status = RenderPictureFile(*ws, options->out, options->width, options->height);
      status >= 0) {
    return status;
  }

  const app::PictureSpec spec{options->width, options->height, options->dpi, options->scheme};
  if (std::optional<std::string> problem = app::PictureSpecProblem(spec)) {
    std::fprintf(stderr, "%s\n", problem->c_str());
    return 2;
  }
  const app::PictureFormat format =
      app::PictureFormatFromName(options->out).value_or(app::PictureFormat::kPng);
  CliPlatform platform;
  std::string why;
  if (!app::WritePlotPicture(*ws, platform, options->out, format, spec, &why)) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 1;
  }
  return 0;
}

}  // namespace difscop::cli
