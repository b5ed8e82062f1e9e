// How the core reaches the user and the desktop. The core never opens a
// dialog itself: a command flow hands a plain struct to these calls and gets
// the answer back. The Qt program answers with real dialogs, tests with
// scripted answers, the command-line tool from its arguments.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace difscop::platform {

// An open or save file dialog. filter is "description|pattern|...||" as the
// formats give it; defaultExtension is added to a typed name without one.
struct FileDialogRequest {
  std::string filter;
  std::string defaultExtension;  // ".dat", ".int", ...
  std::string initialName;       // pre-filled file name, may be empty
};

// --- plot dialogs ---------------------------------------------------------
// One whole-number field of the "Axis Range Setting" dialog with the spin
// button on its right: moving the thumb to position p writes
// multiplier * p into the field ("%d").
struct RangeField {
  std::string label;  // "Start of x :", ...
  std::string text;   // the value shown; the user's text on OK
  int spinMinimum = 0;
  int spinMaximum = 0;
  int spinPosition = 0;
  int multiplier = 1;
  int SpinValue(int position) const { return multiplier * position; }
};

// "Axis Range Setting": start and end of x and y, increments of x and y, in
// that order.
struct SetRangeDialog {
  std::array<RangeField, 6> fields;
};

// --- indexing dialogs (data) -------------------------------------------------
// Cell texts in the order a, b, c, alpha, beta, gamma.
using CellTexts = std::array<std::string, 6>;

// "Trial solutions from Ito or Treor": one row per candidate cell and the
// "Which number ?" box.
struct TrialSolutionRow {
  float merit = 0.0f;
  CellTexts cell;
};
struct TrialSolutionsDialog {
  std::vector<TrialSolutionRow> rows;
  int chosenIndex = 0;  // 0-based, set on OK
};

// "Possible Solution in Cell".
struct CellSolutionRow {
  CellTexts cell;
  std::string spaceGroup;
  std::string merit;
};
struct CellSolutionsDialog {
  std::vector<CellSolutionRow> rows;
  int chosenIndex = 0;  // 0-based, set on OK
};

// "Input data for EXPO": the fourteen boxes as texts, plus what OK derives.
struct ExpoInputDialog {
  std::string title;
  std::string powderDataPath;
  std::string start, end, step;
  std::string wavelength;
  std::string content;
  std::string spaceGroupName;
  std::string expectedSpaceGroup;  // shown, not edited
  CellTexts cell;
  std::string dataDirectory;  // set on OK
  std::string dataFileName;   // set on OK
};

// --- export dialogs -------------------------------------------------------
// "Data Type for Rietan INT FIle" dialog: four radio buttons, one checked.
// 0 one-stepped observed, 1 two-stepped observed, 2 one-stepped smoothed,
// 3 two-stepped smoothed.
struct DataTypeDialog {
  int dataType = 0;
};

// "Picture Size": the plot's size as the window lays it out, in pixels, and
// how finely it is drawn, in dots per inch (96: one dot a window pixel).
struct PictureSizeDialog {
  int width = 700;
  int height = 480;
  int dpi = 96;
  bool screenColours = false;  // the window's dark ground rather than paper's white
};

// "Neutron Wavelength" dialog: one edit field "Wavelength (A):".
// What a dialog says when a field meant for a number holds something else
// ("1,5", "nan"): the field is refused as typed, never read in part.
inline constexpr const char* kEnterNumber =
    "Please enter a number, with a point for decimals (1.5406).";

struct NeutronWavelengthDialog {
  std::string wavelengthText;  // pre-filled, the user's text on OK
};

// --- processing dialog data ---------------------------------------------
// "Smoothing Point": the window width (the dialog accepts 1 to 25) and the
// ": Smoothing on/off" check box.
struct SmoothingDialog {
  int points = 3;
  bool smoothingOn = true;
};

// "Peak Search": the edits as typed ("Shreshould :", "Diff. Point :");
// automatic when the dialog was closed with "Auto" (the threshold then comes
// from the pattern's noise, and the threshold edit is not used).
struct PeakSearchDialog {
  std::string thresholdText;
  std::string diffPointsText;
  bool automatic = false;
};

// "Fit Peaks": what is fitted (the peaks of the drawn range, or the whole
// peak list), the profile, and the Scherrer constant as typed.
struct FitPeaksDialog {
  bool wholeList = false;
  bool pearsonVii = false;  // else the pseudo-Voigt
  bool split = false;
  bool ka2 = true;          // each line a Ka1/Ka2 doublet
  std::string scherrerKText;
  bool asymmetry = false;  // the axial-divergence correction
};

// "Auto Background": the SNIP window in degrees as typed.
struct AutoBackgroundDialog {
  std::string windowText;
};

// One row of the anode table of "Conditions for Ka2 Elimination".
struct AnodeRow {
  const char* name;
  const char* ka1;
  const char* ka2;
  const char* kav;
};
inline constexpr AnodeRow kAnodeTable[5] = {
    {"Cr", "2.28975", "2.29365", "2.29105"},  {"Fe", "1.93608", "1.94002", "1.93739"},
    {"Co", "1.78900", "1.79289", "1.79030"},  {"Cu", "1.540593", "1.54441", "1.54187"},
    {"Mo", "0.709317", "0.71361", "0.71075"},
};

// "Conditions for Ka2 Elimination": the six edits as shown and typed.
struct XraySourceDialog {
  std::string ka1Text;                  // "WaveLength of Ka1 :"
  std::string ka2Text;                  // "WaveLength of Ka2 :"
  std::string ratioText;                // "Ratio of Ka2/Ka1    :"
  std::string radiusText;               // "Goniometer radius   :"
  std::string wavelengthToleranceText;  // "Tolerance for wavelenght :"
  std::string intensityToleranceText;   // "Tolerance for intensity     :"
};

// "Searched Peak List": the header and one line per peak.
struct PeakListDialog {
  std::string header = "No.  2theta     d     Intens.";
  std::vector<std::string> lines;
};

// "Setting" dialog: the eight plot colours (0x00BBGGRR) and five sizes.
struct SettingColourRow {
  const char* label;
};
struct SettingSizeRow {
  const char* label;
  const char* group;
  int spinMin, spinMax;      // what the spin button steps through
  int acceptMin, acceptMax;  // what OK accepts when typed into the edit
};
struct SettingDialog {
  static constexpr const char* kCaption = "Setting";
  static constexpr const char* kColourGroup = "Color Setting";
  static constexpr const char* kColourButton = "....";
  // Rows in dialog order: background, plot background, frame, observed,
  // calculated, difference, reflections, font.
  static constexpr std::array<SettingColourRow, 8> kColourRows = {{
      {"Bkg Color :"},
      {"Graphic Bkg Color :"},
      {"Frame Color :"},
      {"Obs. Data Color :"},
      {"Cal. Data Color :"},
      {"Dif. Data Color :"},
      {"Ref. Data Color :"},
      {"Font Color :"},
  }};
  // Rows in dialog order: frame line width, calculated line width, observed
  // dot radius, difference dot radius, font size. The font size spin stops
  // at 1 but a typed 0 is accepted.
  static constexpr std::array<SettingSizeRow, 5> kSizeRows = {{
      {"Frame Line Width :", "Line Size Setting", 0, 10, 0, 10},
      {"Cal. Line Width :", "Line Size Setting", 0, 10, 0, 10},
      {"Obs. Dot Radius :", "Dot Size Setting", 0, 10, 0, 10},
      {"Dif. Dot Radius :", "Dot Size Setting", 0, 10, 0, 10},
      {"Font Size :", "Font Size Setting", 1, 50, 0, 50},
  }};
  std::array<std::uint32_t, 8> colours{};
  std::array<int, 5> sizes{};
};

// "External program directory" dialog: the four program paths, each with a
// Browse button opening a file-open dialog with the row's filter.
struct ExternalProgramRow {
  const char* label;
  const char* filter;
  const char* defaultExtension;
};
struct ExternalProgramDialog {
  static constexpr const char* kCaption = "External program directory";
  // Rows in dialog order: CellRef, Cell, EXPO, GenHKL.
  static constexpr std::array<ExternalProgramRow, 4> kRows = {{
      {"CellRef :", "Execute file (*.exe)|*.exe|Other Files (*.*)|*.*||", ".exe"},
      {"Cell :", "Execute file (*.bat)|*.bat|Other Files (*.*)|*.*||", ".bat"},
      {"EXPO :", "Execute file (*.exe)|*.exe|Other Files (*.*)|*.*||", ".exe"},
      {"GenHKL :", "Execute file (*.exe)|*.exe|Other Files (*.*)|*.*||", ".exe"},
  }};
  std::array<std::string, 4> paths;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- messages and questions -------------------------------------------
  // Modal message box with an OK button and a warning beep.
  virtual void ShowMessage(const std::string& text) = 0;
  // Modal Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  virtual void Beep() = 0;

  // --- files --------------------------------------------------------------
  // Full path of the chosen file; nullopt when cancelled. The save dialog
  // asks before overwriting an existing file.
  virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) = 0;
  // Any number of files chosen at once, in the order given; empty when
  // cancelled. A platform without it asks for one.
  virtual std::vector<std::string> ChooseOpenFiles(const FileDialogRequest& request) {
    std::optional<std::string> one = ChooseOpenFile(request);
    return one ? std::vector<std::string>{*one} : std::vector<std::string>{};
  }

  // --- running programs -------------------------------------------------
  // Called while a program that must be waited for runs. hasEnded(true)
  // blocks until the child has ended, hasEnded(false) only looks; stop ends
  // the program and everything it started (it returns once they are gone).
  // The default blocks; a window shows what it waits for, takes no commands
  // meanwhile, and offers to stop it.
  virtual void WaitForProgram(const std::string& program,
                              const std::function<bool(bool block)>& hasEnded,
                              const std::function<void()>& stop) {
    (void)program;
    (void)stop;
    hasEnded(true);
  }

  // --- the window ---------------------------------------------------------
  // Asks for a repaint of the whole pattern window (without erasing first).
  virtual void RequestRepaint() = 0;

  // --- import dialogs -----------------------------------------------------
  // True on OK.
  virtual bool EditNeutronWavelength(NeutronWavelengthDialog& dialog) = 0;

  // --- plot dialogs -------------------------------------------------------
  // True on OK. A platform without the dialog answers Cancel.
  virtual bool EditRange(SetRangeDialog& /*dialog*/) { return false; }

  // --- processing dialogs -------------------------------------------------
  // Each shows the struct, and on OK (true) leaves the user's values in it.
  // A platform without the dialog cancels it.
  virtual bool EditSmoothing(SmoothingDialog&) { return false; }
  virtual bool EditPeakSearch(PeakSearchDialog&) { return false; }
  virtual bool EditXraySource(XraySourceDialog&) { return false; }
  virtual bool EditFitPeaks(FitPeaksDialog&) { return false; }
  virtual bool EditAutoBackground(AutoBackgroundDialog&) { return false; }
  // Modal list window; its "Save as" button calls saveAs (the window stays
  // open). Returns when the window is closed.
  virtual void ShowPeakList(const PeakListDialog&, const std::function<void()>& saveAs) {
    (void)saveAs;
  }

  // --- export dialogs -----------------------------------------------------
  // True on OK; dataType then holds the checked button.
  virtual bool EditDataType(DataTypeDialog& /*dialog*/) { return false; }
  // True on OK with the user's size and resolution.
  virtual bool EditPictureSize(PictureSizeDialog& /*dialog*/) { return false; }
  // Modal question with OK and Cancel; true for OK.
  virtual bool AskOkCancel(const std::string& text) { return AskYesNo(text); }
  // Modal message box with the information icon (no warning beep).
  virtual void ShowInformation(const std::string& text) { ShowMessage(text); }

  // --- indexing dialogs ---------------------------------------------------
  // True on OK (chosenIndex set, already checked by CheckChosenNumber /
  // CheckExpoInput of platform/indexing_dialogs.h). A platform without these
  // dialogs answers Cancel.
  virtual bool ChooseTrialSolution(TrialSolutionsDialog& dialog) {
    (void)dialog;
    return false;
  }
  virtual bool ChooseCellSolution(CellSolutionsDialog& dialog) {
    (void)dialog;
    return false;
  }
  virtual bool EditExpoInput(ExpoInputDialog& dialog) {
    (void)dialog;
    return false;
  }

  // --- settings dialogs ---------------------------------------------------
  // True on OK with the dialog's values; on Cancel the struct is left as it
  // was (colours chosen meanwhile are dropped).
  // A platform without these dialogs answers Cancel.
  virtual bool EditSettings(SettingDialog& /*dialog*/) { return false; }
  // True on OK with the four edit texts.
  virtual bool EditExternalPrograms(ExternalProgramDialog& /*dialog*/) { return false; }
};

}  // namespace difscop::platform
