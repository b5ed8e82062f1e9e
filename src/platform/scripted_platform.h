// A Platform that answers from queues filled by a test (or by the
// command-line tool) and records what was shown.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace difscop::platform {

class ScriptedPlatform : public Platform {
 public:
  // Everything shown, in order.
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<FileDialogRequest> openRequests;
  std::vector<FileDialogRequest> saveRequests;
  int beeps = 0;
  int repaints = 0;

  // Answers, taken from the front; an empty queue answers No / Cancel.
  std::deque<bool> yesNoAnswers;
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  // nullopt cancels the dialog; a text replaces the field on OK.
  std::deque<std::optional<std::string>> neutronWavelengthAnswers;
  // What the neutron dialog showed when it opened.
  std::vector<std::string> neutronWavelengthShown;

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNo(const std::string& text) override;
  void Beep() override { ++beeps; }
  std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
  void RequestRepaint() override { ++repaints; }
  bool EditNeutronWavelength(NeutronWavelengthDialog& dialog) override;

  // --- plot dialogs -------------------------------------------------------
  // Each answer holds the six field texts for OK; nullopt cancels.
  std::deque<std::optional<std::array<std::string, 6>>> rangeAnswers;
  // The dialogs as they opened.
  std::vector<SetRangeDialog> rangeShown;
  bool EditRange(SetRangeDialog& dialog) override;

  // --- processing dialogs -------------------------------------------------

  // --- export dialogs -----------------------------------------------------
  // nullopt cancels; a number is the button checked on OK. The data type the
  // dialog opened with is recorded in dataTypeShown. Information messages go
  // to `messages` too, so their order against warnings is kept.
  std::deque<std::optional<int>> dataTypeAnswers;
  std::vector<int> dataTypeShown;
  // OK/Cancel questions are recorded in `questions`; empty queue: Cancel.
  std::deque<bool> okCancelAnswers;
  bool EditDataType(DataTypeDialog& dialog) override;
  bool AskOkCancel(const std::string& text) override;
  void ShowInformation(const std::string& text) override { messages.push_back(text); }

  // --- indexing dialogs ---------------------------------------------------

  // --- settings dialogs ---------------------------------------------------
  // What each dialog showed when it opened; answers replace the whole
  // dialog's values on OK, nullopt cancels.
  std::vector<SettingDialog> settingShown;
  std::deque<std::optional<SettingDialog>> settingAnswers;
  std::vector<ExternalProgramDialog> externalProgramShown;
  std::deque<std::optional<std::array<std::string, 4>>> externalProgramAnswers;
  bool EditSettings(SettingDialog& dialog) override;
  bool EditExternalPrograms(ExternalProgramDialog& dialog) override;
};

}  // namespace difscop::platform
