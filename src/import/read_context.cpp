#include "import/read_context.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace difscop::import {

namespace ws = difscop::workspace;

ReadContext::ReadContext(platform::Platform& p, const std::string& path)
    : platform(p), fileName(std::filesystem::path(path).filename().string()) {}

bool ReadContext::Fail(std::string_view message, std::string_view reason, int line) {
  std::string cause = fileName;
  if (line > 0) cause += (cause.empty() ? "line " : ", line ") + std::to_string(line);
  if (!reason.empty()) cause += (cause.empty() ? "" : ": ") + std::string(reason);
  std::string text(message);
  if (!cause.empty()) text += "\n" + cause;
  platform.ShowMessage(text);
  return false;
}

bool ReadContext::RequirePoints(int count, std::string_view message) {
  return count >= 1 || Fail(message, "no data point found");
}

void ReadContext::ReportCuts() const {
  if (pointsCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxPoints) +
                         " points were read !!!");
  if (segmentsCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxSegments) +
                         " segments were read !!!");
  if (phasesCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxPhases) +
                         " phases were read !!!");
  if (reflectionsCut)
    platform.ShowMessage("Only the first " + std::to_string(ws::kMaxReflections) +
                         " reflections were read !!!");
  if (!note.empty()) platform.ShowMessage(note);
}

bool ReadDataLine(textio::LineReader& in, std::string& line) {
  while (in.ReadLine(line)) {
    if (line.back() == '\n' || in.Eof()) return true;
    while (in.ReadLine(line) && line.back() != '\n') {
    }
  }
  return false;
}

int LastLineNumber(const textio::LineReader& in) {
  std::string_view before = in.Text().substr(0, in.Position());
  // The last character read may be the line's own feed.
  if (!before.empty()) before.remove_suffix(1);
  return 1 + static_cast<int>(std::count(before.begin(), before.end(), '\n'));
}

std::optional<std::string> LoadFile(const std::string& path, std::string* reason) {
  auto fail = [reason](int error) -> std::optional<std::string> {
    if (reason) *reason = std::strerror(error);
    return std::nullopt;
  };
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return fail(EISDIR);
  // A device or pipe could be read without end; a file beyond any pattern's
  // size is refused before it fills the memory.
  const auto status = std::filesystem::status(path, ec);
  if (!ec && !std::filesystem::is_regular_file(status)) return fail(EINVAL);
  if (!ec && std::filesystem::file_size(path, ec) > kMaxFileBytes && !ec) return fail(EFBIG);
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return fail(errno ? errno : ENOENT);
  std::string text;
  // The size the file has now is read straight into place, in one piece;
  // whatever it has grown since, or a file that tells no size, follows.
  struct stat info {};
  if (::fstat(::fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    text.resize(static_cast<std::size_t>(info.st_size));
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
  }
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, n);
  if (std::ferror(file.get())) return fail(errno ? errno : EIO);
  return text;
}

std::optional<std::string> LoadFileOrSay(const std::string& path, platform::Platform& platform) {
  std::string reason;
  std::optional<std::string> text = LoadFile(path, &reason);
  if (!text) ReadContext(platform, path).Fail("Cannot Data File Open !!", reason);
  return text;
}

void DiscardPartialRead(ws::Workspace& w) {
  w.obsCount = 0;
  w.segmentCount = 0;
  w.segmentPointCount.fill(0);
  w.phaseCount = 1;
  w.reflectionCount.fill(0);
  w.stepStart = w.stepWidth = w.stepEnd = 0.0f;
  w.pairedIntLoad = 0;
}

bool AddPoint(ws::PointArray& points, int& count, float x, float y, ReadContext& context) {
  if (!Finite(x, y)) return false;
  if (count >= ws::kMaxPoints) {
    context.pointsCut = true;
    return false;
  }
  ++count;
  points[count] = {x, y};
  return true;
}

bool AddReflection(ws::Workspace& w, int phase, float position, ReadContext& context) {
  int& n = w.reflectionCount[phase];
  if (!Finite(position)) return false;
  if (n >= ws::kMaxReflections) {
    context.reflectionsCut = true;
    return false;
  }
  ++n;
  w.reflectionPos[phase][n] = position;
  return true;
}

}  // namespace difscop::import
