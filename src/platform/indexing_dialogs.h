// The rules behind the indexing dialogs, shared by the window's dialogs and
// the scripted answers so both refuse the same input.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

namespace difscop::platform {

// What OK makes of the "Which number ?" box: the 0-based index of the chosen
// row, or the message shown while the dialog stays open. An empty box is "Number
// not selected !!!"; a number outside 1 .. rowCount is refused as well, since
// the chosen entry would not exist.
struct NumberCheck {
  std::optional<int> index;
  std::string message;
};
NumberCheck CheckChosenNumber(const std::string& box, int rowCount);

// What a double click on row (0-based) writes into the box: "%2d" of its number.
std::string RowNumberText(int row);

// The list cells of a row, in column order: "No", "Merit", "a" .. "gamma"
// ("%2d", "%6.4f", the first 8 characters of each cell text).
std::array<std::string, 8> TrialSolutionColumns(const TrialSolutionsDialog& dialog, int row);
// "No", "Merit" (with "%"), "SG", "a" .. "gamma".
std::array<std::string, 9> CellSolutionColumns(const CellSolutionsDialog& dialog, int row);

// Browse: the powder data box gets the chosen path, the title box its name
// without extension.
void ApplyExpoBrowse(ExpoInputDialog& dialog, const std::string& path);
// The open-file dialog Browse shows.
FileDialogRequest ExpoBrowseRequest();

// OK: nullopt when accepted (data directory and file name then set from the
// powder data path), else the message shown while the dialog stays open.
std::optional<std::string> CheckExpoInput(ExpoInputDialog& dialog);

}  // namespace difscop::platform
