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

  // Programs waited for, in order (the wait itself blocks).
  std::vector<std::string> waitedPrograms;
  void WaitForProgram(const std::string& program,
                      const std::function<bool(bool block)>& hasEnded) override {
    waitedPrograms.push_back(program);
    hasEnded(true);
  }

  // --- plot dialogs -------------------------------------------------------

  // --- processing dialogs -------------------------------------------------

  // --- export dialogs -----------------------------------------------------

  // --- indexing dialogs ---------------------------------------------------

  // --- settings dialogs ---------------------------------------------------
};

}  // namespace difscop::platform
