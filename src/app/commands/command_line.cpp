#include "app/commands/command_line.h"

namespace difscop::commands {

void ParseCommandLine(workspace::Workspace& ws, const std::string& programPath,
                      std::span<const std::string> arguments) {
  ws.commandLine = programPath;
  for (const std::string& a : arguments) ws.commandLine += " " + a;

  // The first argument that starts with '-' carries the switch; everything
  // from it on is the switch text.
  std::size_t first = 0;
  while (first < arguments.size() && (arguments[first].empty() || arguments[first][0] != '-')) {
    ++first;
  }
  if (first == arguments.size()) {
    ws.commandLineFilePending = 0;
    if (arguments.size() > 1) {
      // Several files are opened together once the window is up.
      ws.startupOption = workspace::kStartupByFileType;
      for (const std::string& a : arguments)
        if (!a.empty()) ws.startupFiles.push_back(a);
      return;
    }
    if (!arguments.empty() && !arguments.front().empty()) {
      ws.startupOption = workspace::kStartupByFileType;
      ws.dataFilePath = arguments.front();
      ws.blankPlot = 0;
      ws.commandLineFilePending = 1;
    }
    return;
  }
  std::string option = arguments[first];
  for (std::size_t i = first + 1; i < arguments.size(); ++i) option += " " + arguments[i];

  const std::string letter = option.substr(0, 2);
  if (letter == "-i") {
    ws.startupOption = 0;
    ws.pairedIntLoad = 0;
  } else if (letter == "-s") {
    ws.startupOption = 1;
    ws.pairedIntLoad = 1;
  } else if (letter == "-m") {
    ws.startupOption = 2;
  } else if (letter == "-x") {
    ws.simulationMode = 1;
    ws.pairedIntLoad = 0;
  }
  // Any other switch changes nothing, yet the file after it is still loaded.
  ws.dataFilePath = option.size() > 3 ? option.substr(3) : std::string();
  ws.blankPlot = 0;
  ws.commandLineFilePending = 1;
}

InformationRequest InformationRequested(std::span<const std::string> arguments) {
  if (arguments.empty()) return InformationRequest::kNone;
  if (arguments.front() == "--help") return InformationRequest::kHelp;
  if (arguments.front() == "--version") return InformationRequest::kVersion;
  return InformationRequest::kNone;
}

std::string UsageText(const std::string& programName) {
  return "Usage: " + programName + " [FILE... | -i FILE | -s FILE | -m FILE | -x FILE]\n"
         "A viewer and work bench for powder-diffraction patterns.\n"
         "\n"
         "  FILE       open a pattern or refinement result, chosen by its file name\n"
         "             (.pat Igor, .cif GSAS CIF, .prf FullProf, .int Rietan INT,\n"
         "             .raw Hermes neutron, .xy (x,y) text); others from the File menu;\n"
         "             several files are opened side by side\n"
         "  -i FILE    an Igor fit\n"
         "  -m FILE    an Igor fit\n"
         "  -s FILE    a simulated Igor pattern with the Rietan INT file of the same name\n"
         "  -x FILE    a simulated pattern with reflection positions\n"
         "  --help     show this text and exit\n"
         "  --version  show the version and exit\n";
}

std::string VersionText() { return "Difscop " DIFSCOP_VERSION "\n"; }

}  // namespace difscop::commands
