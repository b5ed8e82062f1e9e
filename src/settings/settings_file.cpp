#include "settings/settings_file.h"

#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/file_writing.h"
#include "settings/ini_text.h"
#include "settings/settings_location.h"
#include "textio/line_reader.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace difscop::settings {

namespace fs = std::filesystem;
using workspace::Colour;

namespace {

constexpr const char* kNotFound = "Difscop Ini File not found !!!";

// Finds each section by its own header, wherever it stands, so a missing or
// misplaced section costs only its own values.
class SectionReader {
 public:
  SectionReader(Platform& platform, std::string_view text)
      : platform_(platform), lines_(SplitLines(text)) {}

  // Moves past the first line that begins with header. A header that is not
  // there is noted (except the optional "[Editor]") for ReportMissing.
  bool Section(std::string_view header, bool report = true) {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (textio::StartsWith(lines_[i], header)) {
        next_ = i + 1;
        return true;
      }
    }
    next_ = lines_.size();
    if (report) missing_ += (missing_.empty() ? "" : "\n") + std::string(header) + " not found !!!";
    return false;
  }

  // The next value line; nullptr at the end of the file.
  const std::string* Next() { return next_ < lines_.size() ? &lines_[next_++] : nullptr; }

  // A whole number after '=' (atoi: no digits give 0). A line missing at the
  // end of the file leaves the field as it was.
  template <typename T>
  void Number(T& field) {
    if (const std::string* line = Next()) field = static_cast<T>(textio::ToInt(ValueOf(*line)));
  }

  // A decimal fraction after '='; a line that does not hold one leaves the
  // field as it was.
  void Fraction(float& field) {
    const std::string* line = Next();
    float value = 0.0f;
    if (line && textio::ParseFloat(ValueOf(*line), value) && std::isfinite(value)) field = value;
  }

  // A decimal number after '=' that passes ok; otherwise the field stays.
  template <typename T, typename Ok>
  void Fraction(T& field, Ok ok) {
    const std::string* line = Next();
    double value = 0.0;
    if (line && textio::ParseDouble(ValueOf(*line), value) && std::isfinite(value) && ok(value))
      field = static_cast<T>(value);
  }

  // One message naming every section that was not found.
  void ReportMissing() {
    if (!missing_.empty()) platform_.ShowMessage(missing_);
  }

  // A path after '=', blanks and tabs trimmed at both ends.
  bool Path(std::string& value) {
    const std::string* line = Next();
    if (!line) return false;
    value = std::string(TrimBlanks(ValueOf(*line)));
    return true;
  }

 private:
  Platform& platform_;
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
  std::string missing_;
};

}  // namespace

void ApplyDisplayDefaults(Workspace& ws) {
  ws.colFrame = 65535;
  ws.colBack = 8388608;
  ws.colFont = 65535;
  ws.colBase = 0;
  ws.colCalc = 16711680;
  ws.colObs = 255;
  ws.colDiff = 65280;
  ws.colRef = 65535;
  ws.colObsFill = 255;
  ws.colDiffFill = 65280;
  ws.fontSize = 18;
  ws.obsDotRadius = 1;
  ws.diffDotRadius = 1;
  ws.calcLineWidth = 1;
  ws.frameLineWidth = 1;
  ws.colMonoInk = 0;
  ws.colMonoPaper = 16777215;
}

void ApplyProgramDefaults(Workspace& ws) {
  ws.editorExe = DefaultEditor();
  ws.itoExe = "Ito13.exe";
  ws.treorExe = "Treor90.exe";
  ws.dicvolExe = "Dicvol91.exe";
  SetCellRefExe(ws, "CellRef");
  SetCellExe(ws, "Cell");
  SetExpoExe(ws, "EXPO");
  SetGenHklExe(ws, "GenHKL");
}

namespace {

// The indexing programs' sections came later than the others: each is looked
// for on its own, anywhere in the file, and a file without them (or with an
// empty value) keeps the built-in name.
void ReadIndexingPrograms(Workspace& ws, std::string_view text) {
  const std::vector<std::string> lines = SplitLines(text);
  const std::pair<std::string_view, std::string*> sections[] = {
      {"[Ito]", &ws.itoExe}, {"[Treor]", &ws.treorExe}, {"[Dicvol]", &ws.dicvolExe}};
  for (const auto& [header, exe] : sections) {
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      if (!textio::StartsWith(lines[i], header)) continue;
      std::string_view value = TrimBlanks(ValueOf(lines[i + 1]));
      if (!value.empty()) *exe = std::string(value);
      break;
    }
  }
}

}  // namespace

void ReadSettingsText(Workspace& ws, Platform& platform, std::string_view text) {
  ReadIndexingPrograms(ws, text);
  SectionReader in(platform, text);

  if (in.Section("[Color Setting]")) {
    in.Number(ws.colFrame);
    in.Number(ws.colBack);
    in.Number(ws.colFont);
    in.Number(ws.colBase);
    in.Number(ws.colCalc);
    in.Number(ws.colObs);
    in.Number(ws.colDiff);
    in.Number(ws.colRef);
    in.Number(ws.colObsFill);
    in.Number(ws.colDiffFill);
  }
  if (in.Section("[Font Size]")) in.Number(ws.fontSize);
  if (in.Section("[Dot Radius Setting]")) {
    in.Number(ws.obsDotRadius);
    in.Number(ws.diffDotRadius);
  }
  if (in.Section("[Line Width]")) {
    in.Number(ws.calcLineWidth);
    in.Number(ws.frameLineWidth);
  }
  if (in.Section("[X-ray Source]")) {
    in.Fraction(ws.ka1Wavelength);
    in.Fraction(ws.ka2Wavelength);
    in.Fraction(ws.ka2WavelengthTolerance);
    in.Fraction(ws.ka2IntensityTolerance);
    in.Fraction(ws.ka2Ratio);
  }

  std::string path;
  if (in.Section("[CellRef]") && in.Path(path)) SetCellRefExe(ws, path);
  if (in.Section("[Cell]") && in.Path(path)) SetCellExe(ws, path);
  if (in.Section("[EXPO]") && in.Path(path)) SetExpoExe(ws, path);
  if (in.Section("[GenHKL]") && in.Path(path)) SetGenHklExe(ws, path);
  // The profile fit's settings are optional: a file without them (or with
  // a value that cannot be one) keeps the built-in ones.
  if (in.Section("[Profile]", false)) {
    const auto positive = [](double v) { return v > 0.0; };
    const auto any = [](double) { return true; };
    in.Fraction(ws.scherrerK, positive);
    in.Fraction(ws.snipWindow, positive);
    in.Fraction(ws.instrumentU, any);
    in.Fraction(ws.instrumentV, any);
    in.Fraction(ws.instrumentW, any);
  }
  // An "[Editor]" section is optional; an empty value keeps the desktop's
  // editor.
  if (in.Section("[Editor]", false) && in.Path(path) && !path.empty()) ws.editorExe = path;
  in.ReportMissing();
}

void ReadSettings(Workspace& ws, Platform& platform) {
  ApplyProgramDefaults(ws);
  ws.settingsFilePath = LocateSettingsFile(ws.startDirectory, ws.dataDirectory).string();
  std::optional<std::string> text = ReadSettingsFileOrSay(SettingsFilePath(ws), platform, kNotFound);
  if (!text) return;
  ReadSettingsText(ws, platform, *text);
}

void ResetDefaultParaCommand(Workspace& ws, Platform& platform) {
  ApplyDisplayDefaults(ws);
  platform.RequestRepaint();
}

std::string FormatDisplayPart(const Workspace& ws) {
  auto n = [](Colour c) { return static_cast<int>(c); };
  textio::TextWriter w;
  w.Line("[Difscop Ini File]");
  w.Line();
  w.Line("[Color Setting]");
  w.LineF("ColFrame=%d", n(ws.colFrame));
  w.LineF("ColBack =%d", n(ws.colBack));
  w.LineF("ColFont =%d", n(ws.colFont));
  w.LineF("ColBase =%d", n(ws.colBase));
  w.LineF("ColCalc =%d", n(ws.colCalc));
  w.LineF("ColObs  =%d", n(ws.colObs));
  w.LineF("ColDiff =%d", n(ws.colDiff));
  w.LineF("ColRef  =%d", n(ws.colRef));
  w.LineF("ColObsF =%d", n(ws.colObsFill));
  w.LineF("ColDiffF=%d", n(ws.colDiffFill));
  w.Line();
  w.Line("[Font Size]");
  w.LineF("SFont   =%d", ws.fontSize);
  w.Line();
  w.Line("[Dot Radius Setting]");
  w.LineF("RObsdot =%d", ws.obsDotRadius);
  w.LineF("RDiffdot=%d", ws.diffDotRadius);
  w.Line();
  w.Line("[Line Width]");
  w.LineF("LCwidth =%d", ws.calcLineWidth);
  w.LineF("LFwidth =%d", ws.frameLineWidth);
  w.Line();
  return w.Contents();
}

std::string_view KeptSections(std::string_view oldText) {
  static constexpr std::string_view kKeptHeaders[] = {
      "[X-ray Source]", "[CellRef]", "[Cell]", "[EXPO]",  "[GenHKL]",
      "[Ito]",          "[Treor]",   "[Dicvol]", "[Editor]"};
  std::size_t pos = 0;
  while (pos < oldText.size()) {
    std::string_view rest = oldText.substr(pos);
    for (std::string_view header : kKeptHeaders) {
      if (textio::StartsWith(rest, header)) return rest;
    }
    std::size_t end = oldText.find('\n', pos);
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  return {};
}

namespace {

constexpr std::string_view kProfileHeader = "[Profile]";

}  // namespace

std::string WithoutProfile(std::string_view text) {
  std::string out;
  bool inside = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const std::string_view line = text.substr(pos, end - pos);
    if (textio::StartsWith(line, "[")) inside = textio::StartsWith(line, kProfileHeader);
    if (!inside) out.append(line);
    pos = end;
  }
  return out;
}

std::string FormatProfilePart(const Workspace& ws) {
  textio::TextWriter w;
  w.Line(kProfileHeader);
  w.LineF("ScherrerK =%.6g", ws.scherrerK);
  w.LineF("SnipWindow=%.6g", ws.snipWindow);
  w.LineF("CagliotiU =%.9g", ws.instrumentU);
  w.LineF("CagliotiV =%.9g", ws.instrumentV);
  w.LineF("CagliotiW =%.9g", ws.instrumentW);
  w.Line();
  return w.Contents();
}

void SaveParaCommand(Workspace& ws, Platform& platform) {
  if (!platform.AskYesNo("Rewriting Difscop.ini file  ...\nAre you sure ?")) return;

  const fs::path path = SettingsFilePath(ws);
  std::error_code ec;
  // The sections kept come from the old file, so it is read before anything
  // is written; a file that exists but cannot be read is not replaced, or
  // those sections would be lost.
  std::string kept;
  bool hadProfile = false;
  if (fs::exists(path, ec)) {
    std::optional<std::string> old = ReadSettingsFileOrSay(path, platform, kNotFound);
    if (!old) return;
    // A "[Profile]" that heads a line of the kept sections, not one inside
    // some other line.
    const std::string_view oldKept = KeptSections(*old);
    kept = WithoutProfile(oldKept);
    hadProfile = kept.size() != oldKept.size();
  } else {
    // The user's configuration directory may not exist yet.
    fs::create_directories(path.parent_path(), ec);
  }
  // The profile settings are written once they differ from the built-in
  // ones (or the file had them), so that a file that never used them stays
  // as it was.
  const workspace::Session defaults;
  if (hadProfile || ws.scherrerK != defaults.scherrerK || ws.snipWindow != defaults.snipWindow ||
      ws.instrumentU != 0.0 || ws.instrumentV != 0.0 || ws.instrumentW != 0.0)
    kept += FormatProfilePart(ws);
  platform::WriteFileOrSay(platform, path, FormatDisplayPart(ws) + kept, kNotFound);
}

}  // namespace difscop::settings
