#include "import/detect.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "import/fitted_reader.h"
#include "import/raw_formats.h"
#include "import/raw_reader.h"
#include "textio/line_reader.h"
#include "textio/scan.h"

namespace difscop::import {

namespace {

constexpr NamedFormat kNames[] = {
    {"rint", {false, kRigakuRint}},
    {"mac", {false, kMac}},
    {"rad", {false, kRigakuRad}},
    {"hermes", {false, kHermesNeutron}},
    {"xy", {false, kXyText}},
    {"int", {false, kRietanInt}},
    {"sim", {false, kSimulated}},
    {"rigaku", {false, kRigakuAsciiRas}},
    {"gsas", {false, kGsasRaw}},
    {"xylib", {false, kXylib}},
    {"free", {false, kFreeFormat}},
    {"columns", {false, kXyColumns}},
    {"igor", {true, kIgorPat}},
    {"cif", {true, kGsasCif}},
    {"prf", {true, kFullProfPrf}},
};

// The start of the file as lines (line feeds dropped), what the tests look at.
struct Head {
  std::string_view bytes;
  std::string path;
  std::string extension;  // lower case, with its dot
  std::vector<std::string> lines;

  const std::string& Line(std::size_t i) const {
    static const std::string kNone;
    return i < lines.size() ? lines[i] : kNone;
  }
  bool AnyLineBegins(std::string_view prefix) const {
    for (const std::string& l : lines)
      if (textio::StartsWith(l, prefix)) return true;
    return false;
  }
};

Head ReadHead(std::string_view bytes, const std::string& path) {
  constexpr std::size_t kBytes = 1 << 16;
  constexpr std::size_t kLines = 400;
  Head h{bytes, path, std::filesystem::path(path).extension().string(), {}};
  for (char& c : h.extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  textio::LineReader in{std::string(bytes.substr(0, kBytes))};
  std::string line;
  while (h.lines.size() < kLines && ReadDataLine(in, line))
    h.lines.emplace_back(textio::StripLineFeed(line));
  return h;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    const std::size_t begin = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i > begin) out.push_back(line.substr(begin, i - begin));
  }
  return out;
}

bool IsNumber(std::string_view word) {
  double v = 0.0;
  return textio::ParseDouble(word, v) == word.size() && std::isfinite(v);
}
bool IsInteger(std::string_view word) {
  return !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
}
// How many numbers the line holds, -1 when anything else stands on it.
int NumbersOnLine(std::string_view line) {
  const std::vector<std::string_view> w = Words(line);
  for (std::string_view word : w)
    if (!IsNumber(word)) return -1;
  return static_cast<int>(w.size());
}

bool IgorPat(const Head& h) {
  return textio::StartsWith(h.Line(0), "IGOR") && textio::StartsWith(h.Line(1), "WAVES/O");
}
bool IgorText(const Head& h) {
  return textio::StartsWith(h.Line(0), "IGOR");
}
bool PowderCif(const Head& h) {
  bool block = false;
  for (const std::string& l : h.lines) {
    const std::string_view t = textio::Trim(l);
    if (t.size() > 5 && (t.substr(0, 5) == "data_" || t.substr(0, 5) == "DATA_")) block = true;
  }
  return block && h.bytes.find("_pd_") != std::string_view::npos;
}
bool FullProf(const Head& h) {
  return h.Line(0).find("CELL:") != std::string::npos;
}
// The condensed layout has nothing of its own but the extension.
bool FullProfByName(const Head& h) {
  return h.extension == ".prf";
}
bool Gsas(const Head& h) {
  return LooksLikeGsasRaw(h.bytes.substr(0, 1 << 16));
}
bool Rigaku(const Head& h) {
  return LooksLikeRigakuAscii(h.bytes.substr(0, 1 << 16));
}
bool Hermes(const Head& h) {
  return h.AnyLineBegins("Meas-start-time") && h.AnyLineBegins("Meas-start-angle");
}
bool Mac(const Head& h) {
  return h.AnyLineBegins("DTSRT");
}
bool Rint(const Head& h) {
  return h.AnyLineBegins("Start") && h.AnyLineBegins("Step");
}
// Normal form "count start step" or "GENERAL", either after a "*" title.
bool RietanInt(const Head& h) {
  const std::size_t first = textio::StartsWith(h.Line(0), "*") ? 1 : 0;
  if (textio::StartsWith(h.Line(first), "GENERAL")) return true;
  const std::vector<std::string_view> w = Words(h.Line(first));
  return w.size() == 3 && IsInteger(w[0]) && IsNumber(w[1]) && IsNumber(w[2]) &&
         NumbersOnLine(h.Line(first + 1)) >= 1;
}
// 51 header lines with the start angle on line 2 and the step on line 42,
// then one count a line.
bool Rad(const Head& h) {
  return NumbersOnLine(h.Line(1)) == 1 && NumbersOnLine(h.Line(41)) == 1 &&
         NumbersOnLine(h.Line(51)) == 1 && NumbersOnLine(h.Line(52)) == 1 &&
         NumbersOnLine(h.Line(0)) != 1;
}
// Mostly lines of two (or three) numbers.
bool Xy(const Head& h) {
  int pairs = 0, otherNumbers = 0, text = 0;
  for (const std::string& l : h.lines) {
    const int n = NumbersOnLine(l);
    if (n == 0) continue;
    if (n == 2 || n == 3)
      ++pairs;
    else if (n > 0)
      ++otherNumbers;
    else
      ++text;
  }
  return pairs > 0 && pairs >= 9 * otherNumbers && pairs >= text;
}
// (x,y) text that the (x,y) reader takes, and the rest (intensities of
// zero or below) for the reader that takes any sign.
bool XyInRange(const Head& h) {
  return Xy(h) && XyValuesInRange(h.bytes);
}
bool Free(const Head& h) {
  return LooksLikeFreeFormat(h.bytes);
}
bool Xylib(const Head& h) {
  return XylibRecognises(h.bytes, h.path);
}

struct Signature {
  std::string_view name;
  bool (*test)(const Head&);
};

// Distinctive signatures first, the weak ones ((x,y) text, xylib's plain
// text formats) last. Every content test comes before the FullProf profile's
// extension: a file this program exported opens by what it holds, whatever
// it was saved as (the FullProf export's default is .prf).
constexpr Signature kOrder[] = {
    {"igor", IgorPat},  {"int", IgorText},  {"cif", PowderCif},      {"prf", FullProf},
    {"gsas", Gsas},     {"free", Free},     {"rigaku", Rigaku},      {"hermes", Hermes},
    {"mac", Mac},       {"rint", Rint},     {"int", RietanInt},      {"rad", Rad},
    {"xy", XyInRange},  {"columns", Xy},    {"prf", FullProfByName}, {"xylib", Xylib},
};

}  // namespace

std::span<const NamedFormat> NamedFormats() {
  return kNames;
}

std::optional<FileType> FormatByName(std::string_view name) {
  for (const NamedFormat& f : kNames)
    if (f.name == name) return f.type;
  return std::nullopt;
}

std::optional<NamedFormat> DetectFormat(std::string_view bytes, const std::string& path) {
  if (bytes.empty()) return std::nullopt;
  const Head head = ReadHead(bytes, path);
  for (const Signature& s : kOrder)
    if (s.test(head)) return NamedFormat{s.name, *FormatByName(s.name)};
  return std::nullopt;
}

}  // namespace difscop::import
