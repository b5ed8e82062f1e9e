#include "import/session_file.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "workspace/palette.h"

namespace difscop::import {

namespace fs = std::filesystem;
using json = nlohmann::json;
using workspace::Layout;
using workspace::XAxis;
using workspace::YAxis;

namespace {

constexpr const char* kFormat = "difscop-session";
constexpr int kVersion = 1;

// The names of the kinds in the file, in enum order.
constexpr const char* kXAxisNames[] = {"2theta", "d", "q"};
constexpr const char* kYAxisNames[] = {"linear", "sqrt", "log"};
constexpr const char* kLayoutNames[] = {"overlay", "stack", "map"};

template <typename E, std::size_t N>
std::optional<E> KindNamed(const std::string& name, const char* const (&names)[N]) {
  for (std::size_t i = 0; i < N; ++i)
    if (name == names[i]) return static_cast<E>(i);
  return std::nullopt;
}

std::string ColourText(workspace::Colour c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", workspace::RedOf(c), workspace::GreenOf(c),
                workspace::BlueOf(c));
  return text;
}

std::optional<workspace::Colour> ParseColour(const std::string& text) {
  unsigned r = 0, g = 0, b = 0;
  int used = 0;
  if (text.size() != 7 || std::sscanf(text.c_str(), "#%2x%2x%2x%n", &r, &g, &b, &used) != 3 ||
      used != 7)
    return std::nullopt;
  return workspace::RgbColour(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b));
}

fs::path Directory(const std::string& sessionPath) {
  std::error_code ec;
  return fs::absolute(fs::path(sessionPath), ec).parent_path();
}

// What a JSON value must be, or the reason it is not.
const json& Member(const json& object, const char* key, json::value_t type, const char* what) {
  auto it = object.find(key);
  if (it == object.end()) throw std::runtime_error(std::string(what) + ": no \"" + key + "\"");
  const bool number = type == json::value_t::number_float &&
                      (it->is_number_integer() || it->is_number_unsigned());
  if (it->type() != type && !number)
    throw std::runtime_error(std::string(what) + ": \"" + key + "\" is not " +
                             json(type).type_name());
  return *it;
}

}  // namespace

SessionFile SessionOf(const workspace::Workspace& ws, const std::string& sessionPath) {
  SessionFile session;
  const fs::path dir = Directory(sessionPath);
  const int n = workspace::PatternListSize(ws);
  for (int i = 0; i < n; ++i) {
    const workspace::Pattern& p = workspace::PatternAt(ws, i);
    if (p.dataFilePath.empty()) continue;
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(p.dataFilePath), ec).lexically_normal();
    SessionPattern entry;
    entry.path = absolute.string();
    entry.relativePath = absolute.lexically_relative(dir).string();
    if (ws.patterns.empty()) {
      // A pattern loaded before the list existed.
      entry.name = absolute.filename().string();
      entry.colour = workspace::kPatternPalette[0];
    } else {
      entry.name = ws.patterns[i].name;
      entry.colour = ws.patterns[i].colour;
      entry.visible = ws.patterns[i].visible;
    }
    if (i == ws.activePattern || ws.patterns.empty())
      session.active = static_cast<int>(session.patterns.size());
    session.patterns.push_back(std::move(entry));
  }
  session.xMin = ws.xMin;
  session.xMax = ws.xMax;
  session.yMin = ws.yMin;
  session.yMax = ws.yMax;
  session.xAxis = ws.xAxis;
  session.yAxis = ws.yAxis;
  session.layout = ws.layout;
  return session;
}

std::optional<std::string> SessionText(const SessionFile& session, std::string* reason) {
  json patterns = json::array();
  for (const SessionPattern& p : session.patterns) {
    patterns.push_back({{"path", p.path},
                        {"relativePath", p.relativePath},
                        {"name", p.name},
                        {"colour", ColourText(p.colour)},
                        {"visible", p.visible}});
  }
  const json view = {{"xMin", session.xMin},
                     {"xMax", session.xMax},
                     {"yMin", session.yMin},
                     {"yMax", session.yMax},
                     {"xAxis", kXAxisNames[static_cast<int>(session.xAxis)]},
                     {"yAxis", kYAxisNames[static_cast<int>(session.yAxis)]},
                     {"layout", kLayoutNames[static_cast<int>(session.layout)]}};
  const json root = {{"format", kFormat},
                     {"version", kVersion},
                     {"patterns", patterns},
                     {"active", session.active},
                     {"view", view}};
  try {
    return root.dump(2) + "\n";
  } catch (const json::exception&) {
    if (reason) *reason = "a file name or pattern name is not UTF-8 text";
    return std::nullopt;
  }
}

std::optional<SessionFile> ParseSession(std::string_view text, std::string* reason) {
  using T = json::value_t;
  try {
    const json root = json::parse(text);
    if (!root.is_object()) throw std::runtime_error("not a JSON object");
    if (Member(root, "format", T::string, "the file").get<std::string>() != kFormat)
      throw std::runtime_error("the format is not \"" + std::string(kFormat) + "\"");
    const double version = Member(root, "version", T::number_float, "the file").get<double>();
    if (version > kVersion)
      throw std::runtime_error("version " + std::to_string(static_cast<int>(version)) +
                               " is newer than this program");
    SessionFile session;
    for (const json& p : Member(root, "patterns", T::array, "the file")) {
      const std::string what = "pattern " + std::to_string(session.patterns.size() + 1);
      if (!p.is_object()) throw std::runtime_error(what + " is not a JSON object");
      SessionPattern entry;
      entry.path = Member(p, "path", T::string, what.c_str()).get<std::string>();
      if (p.contains("relativePath"))
        entry.relativePath = Member(p, "relativePath", T::string, what.c_str()).get<std::string>();
      entry.name = Member(p, "name", T::string, what.c_str()).get<std::string>();
      const std::string colour = Member(p, "colour", T::string, what.c_str()).get<std::string>();
      const std::optional<workspace::Colour> c = ParseColour(colour);
      if (!c) throw std::runtime_error(what + ": colour \"" + colour + "\" is not #rrggbb");
      entry.colour = *c;
      entry.visible = Member(p, "visible", T::boolean, what.c_str()).get<bool>();
      session.patterns.push_back(std::move(entry));
    }
    const double active = Member(root, "active", T::number_float, "the file").get<double>();
    session.active = active >= 0 && active < static_cast<double>(session.patterns.size())
                         ? static_cast<int>(active)
                         : -1;
    const json& view = Member(root, "view", T::object, "the file");
    float* const range[] = {&session.xMin, &session.xMax, &session.yMin, &session.yMax};
    const char* const rangeKeys[] = {"xMin", "xMax", "yMin", "yMax"};
    for (int i = 0; i < 4; ++i) {
      const double v = Member(view, rangeKeys[i], T::number_float, "the view").get<double>();
      // Beyond what a float holds the range is not applied (ApplySession).
      *range[i] = std::fabs(v) < 1e30 ? static_cast<float>(v) : NAN;
    }
    const auto kind = [&view](const char* key, const auto& names, auto& out) {
      const std::string name = Member(view, key, T::string, "the view").get<std::string>();
      auto k = KindNamed<std::remove_reference_t<decltype(out)>>(name, names);
      if (!k) throw std::runtime_error(std::string("the view: ") + key + " \"" + name + "\" is not known");
      out = *k;
    };
    kind("xAxis", kXAxisNames, session.xAxis);
    kind("yAxis", kYAxisNames, session.yAxis);
    kind("layout", kLayoutNames, session.layout);
    return session;
  } catch (const json::exception& e) {
    // "[json.exception.parse_error.101] parse error at line 1, ...": the
    // part after the bracket says what is wrong.
    std::string why = e.what();
    if (const std::size_t end = why.find("] "); why.starts_with("[") && end != std::string::npos)
      why.erase(0, end + 2);
    if (reason) *reason = why;
  } catch (const std::runtime_error& e) {
    if (reason) *reason = e.what();
  }
  return std::nullopt;
}

std::string LocatePattern(const SessionPattern& pattern, const std::string& sessionPath) {
  std::error_code ec;
  if (fs::exists(pattern.path, ec) || pattern.relativePath.empty()) return pattern.path;
  const fs::path moved = (Directory(sessionPath) / pattern.relativePath).lexically_normal();
  return fs::exists(moved, ec) ? moved.string() : pattern.path;
}

void ApplySession(workspace::Workspace& ws, const SessionFile& session,
                  std::span<const int> listIndex) {
  for (std::size_t i = 0; i < session.patterns.size() && i < listIndex.size(); ++i) {
    const int at = listIndex[i];
    if (at < 0 || at >= static_cast<int>(ws.patterns.size())) continue;
    workspace::OpenPattern& entry = ws.patterns[at];
    entry.name = session.patterns[i].name;
    entry.colour = session.patterns[i].colour;
    entry.visible = session.patterns[i].visible;
  }
  if (session.active >= 0 && session.active < static_cast<int>(listIndex.size()))
    workspace::Activate(ws, listIndex[session.active]);
  const bool drawable = std::isfinite(session.xMin) && std::isfinite(session.xMax) &&
                        std::isfinite(session.yMin) && std::isfinite(session.yMax) &&
                        session.xMax > session.xMin && session.yMax > session.yMin;
  if (drawable && !ws.patterns.empty()) {
    ws.xMin = session.xMin;
    ws.xMax = session.xMax;
    ws.yMin = session.yMin;
    ws.yMax = session.yMax;
    workspace::ChooseTicks(ws);
  }
  ws.xAxis = session.xAxis;
  ws.yAxis = session.yAxis;
  ws.layout = session.layout;
  if (!ws.patterns.empty()) workspace::UpdateTitle(ws);
}

}  // namespace difscop::import
