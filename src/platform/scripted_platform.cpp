#include "platform/scripted_platform.h"

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

// --- export dialogs -------------------------------------------------------

bool ScriptedPlatform::EditDataType(DataTypeDialog& dialog) {
  dataTypeShown.push_back(dialog.dataType);
  std::optional<int> answer = Take(dataTypeAnswers);
  if (!answer) return false;
  dialog.dataType = *answer;
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
