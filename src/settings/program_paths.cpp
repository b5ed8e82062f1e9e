#include "settings/program_paths.h"

#include "platform/file_writing.h"
#include "settings/ini_text.h"
#include "textio/line_reader.h"
#include "textio/text_writer.h"

namespace difscop::settings {

namespace {

constexpr const char* kIniNotFound = "Ini file not found !!!";

// A line break inside a path would split the program line in two.
std::string SingleLine(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

}  // namespace

std::array<std::string, 4> ProgramPaths(const Workspace& ws) {
  return {ws.cellRefExe, ws.cellExe, ws.expoExe, ws.genHklExe};
}

void SetProgramPaths(Workspace& ws, const std::array<std::string, 4>& paths) {
  SetCellRefExe(ws, paths[0]);
  SetCellExe(ws, paths[1]);
  SetExpoExe(ws, paths[2]);
  SetGenHklExe(ws, paths[3]);
}

std::optional<std::string> RewriteProgramLines(std::string_view text,
                                               const std::array<std::string, 4>& paths) {
  std::vector<std::string> lines = SplitLines(text);
  std::size_t next = 0;
  for (std::size_t k = 0; k < kProgramKeys.size(); ++k) {
    while (next < lines.size() && !textio::StartsWith(lines[next], kProgramKeys[k])) ++next;
    if (next == lines.size()) return std::nullopt;
    lines[next++] = std::string(kProgramKeys[k]) + SingleLine(paths[k]);
  }
  textio::TextWriter out;
  for (const std::string& line : lines) out.Line(line);
  return out.Contents();
}

bool WriteProgramPaths(const Workspace& ws, Platform& platform) {
  const std::filesystem::path path = SettingsFilePath(ws);
  std::optional<std::string> text = ReadSettingsFileOrSay(path, platform, kIniNotFound);
  if (!text) return false;
  std::optional<std::string> rewritten = RewriteProgramLines(*text, ProgramPaths(ws));
  if (!rewritten) {
    platform.ShowMessage("EOF reached !!!");
    return false;
  }
  return platform::WriteFileOrSay(platform, path, *rewritten, kIniNotFound);
}

void EditExternalProgramCommand(Workspace& ws, Platform& platform) {
  platform::ExternalProgramDialog dialog;
  dialog.paths = ProgramPaths(ws);
  if (!platform.EditExternalPrograms(dialog)) return;
  // The directories and working files follow the new paths at once: a run
  // must not start the new program on files left in the old one's directory.
  SetProgramPaths(ws, dialog.paths);
  WriteProgramPaths(ws, platform);
}

}  // namespace difscop::settings
