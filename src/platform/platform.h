// How the core reaches the user and the desktop. The core never opens a
// dialog itself: a command flow hands a plain struct to these calls and gets
// the answer back. The Qt program answers with real dialogs, tests with
// scripted answers, the command-line tool from its arguments.
#pragma once

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

// "Data Type for Rietan INT FIle" dialog: four radio buttons, one checked.
// 0 one-stepped observed, 1 two-stepped observed, 2 one-stepped smoothed,
// 3 two-stepped smoothed.
struct DataTypeDialog {
  int dataType = 0;
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

  // --- processing dialogs -------------------------------------------------

  // --- export dialogs -----------------------------------------------------
  // True on OK; dataType then holds the checked button.
  virtual bool EditDataType(DataTypeDialog& dialog) = 0;
  // Modal question with OK and Cancel; true for OK.
  virtual bool AskOkCancel(const std::string& text) = 0;
  // Modal message box with the information icon (no warning beep).
  virtual void ShowInformation(const std::string& text) = 0;

  // --- indexing dialogs ---------------------------------------------------

  // --- settings dialogs ---------------------------------------------------
};

}  // namespace difscop::platform
