#include "indexing/program_files.h"

#include <chrono>
#include <filesystem>

#include "platform/program_runner.h"
#include "textio/line_reader.h"
#include "textio/text_writer.h"

namespace difscop::indexing {
namespace fs = std::filesystem;

std::string InStartDirectory(const Workspace& ws, const std::string& name) {
  return workspace::WorkingFilePath(ws, name);
}

void EnterDirectory(const std::string& dir) {
  if (dir.empty()) return;
  std::error_code ec;
  fs::current_path(dir, ec);
}

std::string ProgramCommandLine(const std::string& exe, const std::vector<std::string>& args) {
  std::string line = platform::QuoteArgument(exe);
  for (const std::string& arg : args) line += " " + platform::QuoteArgument(arg);
  return line;
}

std::string ShowFileCommandLine(const std::string& editor, const std::string& file) {
  return platform::QuoteArgument(editor) + " " + platform::QuoteArgument(file);
}

std::string EditInputCommandLine(const std::string& editor, const std::string& file) {
  return editor + " " + file;
}

void EditInputFile(Platform& platform, const std::string& commandLine, const std::string& file) {
  const auto started = std::chrono::steady_clock::now();
  if (!platform::RunProgram(platform, commandLine, true, platform::Lookup::kPathOnly)) return;
  if (std::chrono::steady_clock::now() - started >= std::chrono::seconds(1)) return;
  platform.ShowInformation("The editor has returned at once.\nPress OK when you have finished "
                           "editing " + FileNamePart(file) + ".");
}

void ShowInEditor(const Workspace& ws, Platform& platform, const std::string& file) {
  platform::RunProgram(platform, ShowFileCommandLine(ws.editorExe, file), false,
                       platform::Lookup::kPathOnly);
}

std::string Cut(std::string_view line, std::size_t pos, std::size_t len) {
  line = textio::StripLineFeed(line);
  std::string out(len, ' ');
  for (std::size_t i = 0; i < len && pos + i < line.size(); ++i) out[i] = line[pos + i];
  return out;
}

std::string DirectoryPart(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FileNamePart(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace difscop::indexing
