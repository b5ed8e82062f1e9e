#include "settings/ini_text.h"

#include "textio/line_reader.h"

namespace difscop::settings {

namespace fs = std::filesystem;

fs::path SettingsFilePath(const workspace::Workspace& ws) {
  if (!ws.settingsFilePath.empty()) return ws.settingsFilePath;
  return fs::path(ws.startDirectory) / "Difscop.ini";
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    pos = next;
  }
  return lines;
}

std::string_view ValueOf(std::string_view line) {
  std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? line : line.substr(eq + 1);
}

std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r";
  std::size_t b = text.find_first_not_of(kBlanks);
  if (b == std::string_view::npos) return {};
  std::size_t e = text.find_last_not_of(kBlanks);
  return text.substr(b, e - b + 1);
}

std::string ProgramDirectory(std::string_view programPath) {
  std::size_t cut = programPath.find_last_of("/\\");
  if (cut == std::string_view::npos) return {};
  // A program in the root directory: the directory is the root itself.
  if (cut == 0) return std::string(programPath.substr(0, 1));
  return std::string(programPath.substr(0, cut));
}

std::string JoinPath(std::string_view directory, std::string_view relative) {
  if (directory.empty()) return fs::path(relative).make_preferred().string();
  std::size_t cut = directory.find_last_of("/\\");
  const bool windowsStyle = cut != std::string_view::npos && directory[cut] == '\\';
  if (!windowsStyle) return (fs::path(directory) / fs::path(relative)).make_preferred().string();
  std::string joined(directory);
  if (joined.back() != '\\') joined += '\\';
  for (char c : relative) joined += c == '/' ? '\\' : c;
  return joined;
}

void SetCellRefExe(workspace::Workspace& ws, std::string path) {
  ws.cellRefExe = std::move(path);
  ws.cellRefDirectory = ProgramDirectory(ws.cellRefExe);
  ws.cellRefInput = JoinPath(ws.cellRefDirectory, "CellRef.inp");
  ws.cellRefOutput = JoinPath(ws.cellRefDirectory, "CellRef.out");
}

void SetCellExe(workspace::Workspace& ws, std::string path) {
  ws.cellExe = std::move(path);
  ws.cellDirectory = ProgramDirectory(ws.cellExe);
  ws.cellInput = JoinPath(ws.cellDirectory, "Data/Cell.dat");
  ws.cellOutput = JoinPath(ws.cellDirectory, "Output.txt");
}

void SetExpoExe(workspace::Workspace& ws, std::string path) {
  ws.expoExe = std::move(path);
  ws.expoDirectory = ProgramDirectory(ws.expoExe);
}

void SetGenHklExe(workspace::Workspace& ws, std::string path) {
  ws.genHklExe = std::move(path);
  ws.genHklDirectory = ProgramDirectory(ws.genHklExe);
}

std::optional<std::string> ReadSettingsFileOrSay(const std::filesystem::path& path,
                                                 platform::Platform& platform,
                                                 std::string_view message) {
  std::string reason;
  std::optional<std::string> text = textio::ReadWholeFile(path, &reason);
  if (text) return text;
  std::error_code ec;
  const bool there = std::filesystem::exists(std::filesystem::symlink_status(path, ec));
  platform.ShowMessage(std::string(message) + (there ? "\n" + path.string() + ": " + reason : ""));
  return std::nullopt;
}

}  // namespace difscop::settings
