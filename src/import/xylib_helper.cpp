// Reading xylib's formats through difscop-xylib: the bytes go to the helper
// on its standard input, the read comes back as text. A helper that crashes,
// hangs or says nothing whole gives the format's refusal.
#include <charconv>
#include <cmath>
#include <string>

#include "import/raw_formats.h"
#include "import/xylib_read.h"
#include "platform/helper_programs.h"
#include "textio/line_reader.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::import {

namespace {

constexpr const char* kMessage = "Not Readable Format File !!!";
constexpr const char* kHelper = "difscop-xylib";
// Far beyond what any of the formats takes to read at the size of file read.
constexpr int kTimeLimitMilliseconds = 20000;

void AppendNumber(std::string& out, double v) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  out.append(buffer, end);
}

// The helper's read, or the reason there is none.
std::optional<XylibRead> AskHelper(std::string_view bytes, const std::string& path, bool identifyOnly,
                                   std::string& failure) {
  const std::string program = platform::HelperProgramPath(kHelper);
  const platform::HelperRun run = platform::RunHelper(
      program, {program, identifyOnly ? "identify" : "read", path}, bytes, kTimeLimitMilliseconds);
  std::optional<XylibRead> read;
  if (run.end == platform::HelperRun::End::kExited && run.code == 0)
    read = DecodeXylibRead(run.output);
  if (!read)
    failure = platform::HelperFailure(run, "the reader", kTimeLimitMilliseconds);
  return read;
}

}  // namespace

std::string EncodeXylibRead(const XylibRead& read) {
  std::string out = "format " + read.format + "\nblocks " + std::to_string(read.blocks) + "\n";
  if (!read.error.empty()) {
    std::string error = read.error;
    for (char& c : error)
      if (c == '\n' || c == '\r') c = ' ';
    out += "error " + error + "\n";
  }
  out.reserve(out.size() + read.points.size() * 32 + 4);
  for (const auto& [x, y] : read.points) {
    if (!std::isfinite(x) || !std::isfinite(y)) continue;  // no point to the reader either
    out += "p ";
    AppendNumber(out, x);
    out += ' ';
    AppendNumber(out, y);
    out += '\n';
  }
  return out + "end\n";
}

std::optional<XylibRead> DecodeXylibRead(std::string_view text) {
  XylibRead read;
  textio::LineReader in{std::string(text)};
  std::string_view line;
  while (in.ReadLine(line)) {
    line = textio::StripLineFeed(line);
    const std::size_t blank = line.find(' ');
    const std::string_view key = line.substr(0, blank);
    const std::string_view value = blank == std::string_view::npos ? "" : line.substr(blank + 1);
    if (key == "end") return read;
    if (key == "format") {
      read.format = value;
    } else if (key == "blocks") {
      if (!textio::ParseInt(value, read.blocks)) return std::nullopt;
    } else if (key == "error") {
      read.error = value;
    } else if (key == "p") {
      textio::Scanner s(value);
      double x = 0.0, y = 0.0;
      if (!s.Double(x) || !s.Double(y)) return std::nullopt;
      read.points.emplace_back(x, y);
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;  // no end line: the helper did not finish
}

bool XylibRecognises(std::string_view bytes, const std::string& path) {
  if (bytes.empty()) return false;
  std::string failure;
  const std::optional<XylibRead> read = AskHelper(bytes, path, true, failure);
  return read && !read->format.empty();
}

bool ReadXylib(workspace::Workspace& ws, std::string_view bytes, const std::string& path,
               ReadContext& context) {
  ws.obsCount = 0;
  if (bytes.empty()) return context.Fail(kMessage, "the file is empty");
  std::string failure;
  const std::optional<XylibRead> read = AskHelper(bytes, path, false, failure);
  if (!read) return context.Fail(kMessage, failure);
  if (read->format.empty()) return context.Fail(kMessage, "none of xylib's formats recognises it");
  if (!read->error.empty()) return context.Fail(kMessage, read->format + ": " + read->error);
  int count = 0;
  for (const auto& [x, y] : read->points) {
    if (context.pointsCut) break;
    AddPoint(ws.obs, count, static_cast<float>(x), static_cast<float>(y), context);
  }
  ws.obsCount = count;
  if (read->blocks > 1)
    context.note = textio::Format("Only the first of %d blocks was read !!!", read->blocks);
  return context.RequirePoints(count, kMessage);
}

}  // namespace difscop::import
