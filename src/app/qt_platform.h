// The Platform answered with Qt dialogs. Each domain declares its dialog
// methods in its own section below and defines them in dialogs_<domain>.cpp.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

class QWidget;

namespace difscop::app {

// "desc|pattern|Other Files (*.*)|*.*||" as a Qt name filter list
// ("desc (*.dat *.DAT);;Other Files (*)").
QString QtFileFilter(const std::string& filter);

// Adds extension (".dat") to a path whose file name has none.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

class QtPlatform : public platform::Platform {
 public:
  // Dialogs are owned by parent's top-level window; repaint asks the pattern
  // window for a fresh picture.
  QtPlatform(QWidget* parent, std::function<void()> repaint);

  // While set (during a paint) messages are shown once the paint is over:
  // a modal loop inside a paint would paint the window recursively.
  void SetDeferMessages(bool defer) { deferMessages_ = defer; }

  // --- messages and questions -------------------------------------------
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  void Beep() override;

  // --- files --------------------------------------------------------------
  std::optional<std::string> ChooseOpenFile(const platform::FileDialogRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const platform::FileDialogRequest& request) override;
  std::vector<std::string> ChooseOpenFiles(const platform::FileDialogRequest& request) override;

  // --- the window ---------------------------------------------------------
  void RequestRepaint() override;

  // --- import dialogs (dialogs_import.cpp) --------------------------------
  bool EditNeutronWavelength(platform::NeutronWavelengthDialog& dialog) override;

  // --- plot dialogs (dialogs_plot.cpp) ------------------------------------
  bool EditRange(platform::SetRangeDialog& dialog) override;

  // --- processing dialogs (dialogs_processing.cpp) ------------------------
  bool EditSmoothing(platform::SmoothingDialog& dialog) override;
  bool EditPeakSearch(platform::PeakSearchDialog& dialog) override;
  bool EditXraySource(platform::XraySourceDialog& dialog) override;
  bool EditFitPeaks(platform::FitPeaksDialog& dialog) override;
  bool EditAutoBackground(platform::AutoBackgroundDialog& dialog) override;
  void ShowPeakList(const platform::PeakListDialog& dialog,
                    const std::function<void()>& saveAs) override;

  // --- export dialogs (dialogs_export.cpp) --------------------------------
  bool EditDataType(platform::DataTypeDialog& dialog) override;
  // dialogs_pictures.cpp
  bool EditPictureSize(platform::PictureSizeDialog& dialog) override;
  bool AskOkCancel(const std::string& text) override;
  void ShowInformation(const std::string& text) override;

  // --- indexing dialogs (dialogs_indexing.cpp) ----------------------------
  bool ChooseTrialSolution(platform::TrialSolutionsDialog& dialog) override;
  bool ChooseCellSolution(platform::CellSolutionsDialog& dialog) override;
  bool EditExpoInput(platform::ExpoInputDialog& dialog) override;
  // Says what it waits for, with a Stop button; the window takes no commands
  // meanwhile but still paints.
  void WaitForProgram(const std::string& program,
                      const std::function<bool(bool block)>& hasEnded,
                      const std::function<void()>& stop) override;

  // --- settings dialogs (dialogs_settings.cpp) ----------------------------
  bool EditSettings(platform::SettingDialog& dialog) override;
  bool EditExternalPrograms(platform::ExternalProgramDialog& dialog) override;

 protected:
  // The window dialogs are centred on and owned by.
  QWidget* DialogParent() const;

 private:
  std::vector<std::string> ChooseOpenFiles(const platform::FileDialogRequest& request,
                                           bool several);

  QWidget* parent_;
  std::function<void()> repaint_;
  bool deferMessages_ = false;
  QString lastDirectory_;
};

}  // namespace difscop::app
