// How the core reaches the user and the desktop. The core never opens a
// dialog itself: a command flow hands a plain struct to these calls and gets
// the answer back. The Qt program answers with real dialogs, tests with
// scripted answers, the command-line tool from its arguments.
#pragma once

#include <array>
#include <optional>
#include <string>

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

// "Neutron Wavelength" dialog: one edit field "Wavelength (A):".
struct NeutronWavelengthDialog {
  std::string wavelengthText;  // pre-filled, the user's text on OK
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

  // --- export dialogs -----------------------------------------------------

  // --- indexing dialogs ---------------------------------------------------

  // --- settings dialogs ---------------------------------------------------
};

}  // namespace difscop::platform
