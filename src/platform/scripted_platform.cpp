#include "platform/scripted_platform.h"

#include "platform/indexing_dialogs.h"

namespace difscop::platform {
namespace {

template <typename T>
std::optional<T> Take(std::deque<std::optional<T>>& queue) {
  if (queue.empty()) return std::nullopt;
  std::optional<T> answer = std::move(queue.front());
  queue.pop_front();
  return answer;
}

}  // namespace

bool ScriptedPlatform::AskYesNo(const std::string& text) {
  questions.push_back(text);
  if (yesNoAnswers.empty()) return false;
  bool answer = yesNoAnswers.front();
  yesNoAnswers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPlatform::ChooseOpenFile(const FileDialogRequest& request) {
  openRequests.push_back(request);
  return Take(openAnswers);
}

std::vector<std::string> ScriptedPlatform::ChooseOpenFiles(const FileDialogRequest& request) {
  if (openManyAnswers.empty()) return Platform::ChooseOpenFiles(request);
  openRequests.push_back(request);
  std::vector<std::string> answer = std::move(openManyAnswers.front());
  openManyAnswers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPlatform::ChooseSaveFile(const FileDialogRequest& request) {
  saveRequests.push_back(request);
  return Take(saveAnswers);
}

bool ScriptedPlatform::EditNeutronWavelength(NeutronWavelengthDialog& dialog) {
  neutronWavelengthShown.push_back(dialog.wavelengthText);
  std::optional<std::string> answer = Take(neutronWavelengthAnswers);
  if (!answer) return false;
  dialog.wavelengthText = *answer;
  return true;
}

// --- plot dialogs ---------------------------------------------------------

bool ScriptedPlatform::EditRange(SetRangeDialog& dialog) {
  rangeShown.push_back(dialog);
  std::optional<std::array<std::string, 6>> answer = Take(rangeAnswers);
  if (!answer) return false;
  for (std::size_t i = 0; i < dialog.fields.size(); ++i) dialog.fields[i].text = (*answer)[i];
  return true;
}

// --- processing dialogs ---------------------------------------------------

namespace {

template <typename Dialog>
bool Answer(Dialog& dialog, std::vector<Dialog>& shown, std::deque<std::optional<Dialog>>& queue) {
  shown.push_back(dialog);
  std::optional<Dialog> answer = Take(queue);
  if (!answer) return false;
  dialog = std::move(*answer);
  return true;
}

}  // namespace

bool ScriptedPlatform::EditSmoothing(SmoothingDialog& dialog) {
  return Answer(dialog, smoothingShown, smoothingAnswers);
}

bool ScriptedPlatform::EditPeakSearch(PeakSearchDialog& dialog) {
  return Answer(dialog, peakSearchShown, peakSearchAnswers);
}

bool ScriptedPlatform::EditXraySource(XraySourceDialog& dialog) {
  return Answer(dialog, xraySourceShown, xraySourceAnswers);
}

bool ScriptedPlatform::EditFitPeaks(FitPeaksDialog& dialog) {
  return Answer(dialog, fitPeaksShown, fitPeaksAnswers);
}

bool ScriptedPlatform::EditAutoBackground(AutoBackgroundDialog& dialog) {
  autoBackgroundShown.push_back(dialog);
  if (autoBackgroundAnswers.empty()) return false;
  std::optional<std::string> answer = std::move(autoBackgroundAnswers.front());
  autoBackgroundAnswers.pop_front();
  if (!answer) return false;
  dialog.windowText = *answer;
  return true;
}

void ScriptedPlatform::ShowPeakList(const PeakListDialog& dialog,
                                    const std::function<void()>& saveAs) {
  peakListShown.push_back(dialog);
  int presses = 0;
  if (!peakListSaveAsPresses.empty()) {
    presses = peakListSaveAsPresses.front();
    peakListSaveAsPresses.pop_front();
  }
  for (int i = 0; i < presses; ++i) saveAs();
}

// --- export dialogs -------------------------------------------------------

bool ScriptedPlatform::EditDataType(DataTypeDialog& dialog) {
  dataTypeShown.push_back(dialog.dataType);
  std::optional<int> answer = Take(dataTypeAnswers);
  if (!answer) return false;
  dialog.dataType = *answer;
  return true;
}

bool ScriptedPlatform::EditPictureSize(PictureSizeDialog& dialog) {
  pictureSizeShown.push_back(dialog);
  std::optional<PictureSizeDialog> answer = Take(pictureSizeAnswers);
  if (!answer) return false;
  dialog = *answer;
  return true;
}

bool ScriptedPlatform::AskOkCancel(const std::string& text) {
  questions.push_back(text);
  if (okCancelAnswers.empty()) return false;
  bool answer = okCancelAnswers.front();
  okCancelAnswers.pop_front();
  return answer;
}

// --- indexing dialogs -----------------------------------------------------

namespace {

// Takes typed numbers until one passes the OK rule; nullopt on Cancel.
std::optional<int> ChooseNumber(ScriptedPlatform& p,
                                std::deque<std::optional<std::string>>& answers, int rowCount) {
  while (true) {
    std::optional<std::string> typed = Take(answers);
    if (!typed) return std::nullopt;
    NumberCheck check = CheckChosenNumber(*typed, rowCount);
    if (check.index) return check.index;
    p.ShowMessage(check.message);
  }
}

}  // namespace

bool ScriptedPlatform::ChooseTrialSolution(TrialSolutionsDialog& dialog) {
  trialSolutionsShown.push_back(dialog);
  std::optional<int> index =
      ChooseNumber(*this, trialSolutionAnswers, static_cast<int>(dialog.rows.size()));
  if (!index) return false;
  dialog.chosenIndex = *index;
  return true;
}

bool ScriptedPlatform::ChooseCellSolution(CellSolutionsDialog& dialog) {
  cellSolutionsShown.push_back(dialog);
  std::optional<int> index =
      ChooseNumber(*this, cellSolutionAnswers, static_cast<int>(dialog.rows.size()));
  if (!index) return false;
  dialog.chosenIndex = *index;
  return true;
}

bool ScriptedPlatform::EditExpoInput(ExpoInputDialog& dialog) {
  expoInputShown.push_back(dialog);
  while (!expoInputAnswers.empty()) {
    std::function<bool(ExpoInputDialog&)> answer = std::move(expoInputAnswers.front());
    expoInputAnswers.pop_front();
    if (!answer(dialog)) return false;
    if (std::optional<std::string> refusal = CheckExpoInput(dialog)) {
      ShowMessage(*refusal);
      continue;
    }
    return true;
  }
  return false;
}

// --- settings dialogs -----------------------------------------------------

bool ScriptedPlatform::EditSettings(SettingDialog& dialog) {
  settingShown.push_back(dialog);
  std::optional<SettingDialog> answer = Take(settingAnswers);
  if (!answer) return false;
  dialog = *answer;
  return true;
}

bool ScriptedPlatform::EditExternalPrograms(ExternalProgramDialog& dialog) {
  externalProgramShown.push_back(dialog);
  std::optional<std::array<std::string, 4>> answer = Take(externalProgramAnswers);
  if (!answer) return false;
  dialog.paths = *answer;
  return true;
}

}  // namespace difscop::platform
