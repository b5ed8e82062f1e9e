// A Platform that answers from queues filled by a test (or by the
// command-line tool) and records what was shown.
#pragma once

#include <deque>
#include <functional>
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
  // Answers of a dialog that takes several files (an empty one cancels);
  // while none is queued such a dialog takes one from openAnswers.
  std::deque<std::vector<std::string>> openManyAnswers;
  // nullopt cancels the dialog; a text replaces the field on OK.
  std::deque<std::optional<std::string>> neutronWavelengthAnswers;
  // What the neutron dialog showed when it opened.
  std::vector<std::string> neutronWavelengthShown;

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  // The fixed first line of each message; a refusal explains itself below it.
  std::vector<std::string> Headlines() const {
    std::vector<std::string> out;
    for (const std::string& m : messages) out.push_back(m.substr(0, m.find('\n')));
    return out;
  }
  bool AskYesNo(const std::string& text) override;
  void Beep() override { ++beeps; }
  std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
  std::vector<std::string> ChooseOpenFiles(const FileDialogRequest& request) override;
  void RequestRepaint() override { ++repaints; }
  bool EditNeutronWavelength(NeutronWavelengthDialog& dialog) override;

  // Programs waited for, in order (the wait itself blocks).
  std::vector<std::string> waitedPrograms;
  void WaitForProgram(const std::string& program,
                      const std::function<bool(bool block)>& hasEnded,
                      const std::function<void()>& /*stop*/) override {
    waitedPrograms.push_back(program);
    hasEnded(true);
  }

  // --- plot dialogs -------------------------------------------------------
  // Each answer holds the six field texts for OK; nullopt cancels.
  std::deque<std::optional<std::array<std::string, 6>>> rangeAnswers;
  // The dialogs as they opened.
  std::vector<SetRangeDialog> rangeShown;
  bool EditRange(SetRangeDialog& dialog) override;

  // --- processing dialogs -------------------------------------------------
  // nullopt cancels; a value replaces the dialog's data on OK.
  std::deque<std::optional<SmoothingDialog>> smoothingAnswers;
  std::deque<std::optional<PeakSearchDialog>> peakSearchAnswers;
  std::deque<std::optional<XraySourceDialog>> xraySourceAnswers;
  // How many times "Save as" is pressed in each peak list window (none when empty).
  std::deque<int> peakListSaveAsPresses;
  std::vector<SmoothingDialog> smoothingShown;
  std::vector<PeakSearchDialog> peakSearchShown;
  std::vector<XraySourceDialog> xraySourceShown;
  std::vector<PeakListDialog> peakListShown;
  std::deque<std::optional<FitPeaksDialog>> fitPeaksAnswers;
  std::vector<FitPeaksDialog> fitPeaksShown;
  std::deque<std::optional<std::string>> autoBackgroundAnswers;  // the window as typed
  std::vector<AutoBackgroundDialog> autoBackgroundShown;

  bool EditSmoothing(SmoothingDialog& dialog) override;
  bool EditPeakSearch(PeakSearchDialog& dialog) override;
  bool EditXraySource(XraySourceDialog& dialog) override;
  void ShowPeakList(const PeakListDialog& dialog, const std::function<void()>& saveAs) override;
  bool EditFitPeaks(FitPeaksDialog& dialog) override;
  bool EditAutoBackground(AutoBackgroundDialog& dialog) override;

  // --- export dialogs -----------------------------------------------------
  // nullopt cancels; a number is the button checked on OK. The data type the
  // dialog opened with is recorded in dataTypeShown. Information messages go
  // to `messages` too, so their order against warnings is kept.
  std::deque<std::optional<int>> dataTypeAnswers;
  std::vector<int> dataTypeShown;
  // OK/Cancel questions are recorded in `questions`; empty queue: Cancel.
  std::deque<bool> okCancelAnswers;
  bool EditDataType(DataTypeDialog& dialog) override;
  // nullopt cancels; a value is what the user set on OK.
  std::deque<std::optional<PictureSizeDialog>> pictureSizeAnswers;
  std::vector<PictureSizeDialog> pictureSizeShown;
  bool EditPictureSize(PictureSizeDialog& dialog) override;
  bool AskOkCancel(const std::string& text) override;
  void ShowInformation(const std::string& text) override { messages.push_back(text); }

  // --- indexing dialogs ---------------------------------------------------
  // Texts typed into "Which number ?" before OK; a refused text shows its
  // message and the next answer is taken (the dialog stays open). nullopt or
  // an empty queue cancels.
  std::deque<std::optional<std::string>> trialSolutionAnswers;
  std::deque<std::optional<std::string>> cellSolutionAnswers;
  std::vector<TrialSolutionsDialog> trialSolutionsShown;
  std::vector<CellSolutionsDialog> cellSolutionsShown;
  // Each answer edits the boxes (Browse through ApplyExpoBrowse) and returns
  // true for OK, false for Cancel; a refused OK takes the next answer.
  std::deque<std::function<bool(ExpoInputDialog&)>> expoInputAnswers;
  std::vector<ExpoInputDialog> expoInputShown;
  bool ChooseTrialSolution(TrialSolutionsDialog& dialog) override;
  bool ChooseCellSolution(CellSolutionsDialog& dialog) override;
  bool EditExpoInput(ExpoInputDialog& dialog) override;

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
