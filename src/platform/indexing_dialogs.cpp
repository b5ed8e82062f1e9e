#include "platform/indexing_dialogs.h"

#include <charconv>
#include <cstdio>

#include "textio/text_writer.h"

namespace difscop::platform {

namespace {

// "%d": white space, an optional sign and digits; false when none.
bool ReadNumber(const std::string& text, long long& value) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  unsigned long long magnitude = 0;
  auto [ptr, ec] = std::from_chars(first, last, magnitude);
  if (ptr == first) return false;
  if (ec != std::errc()) magnitude = 1ULL << 40;  // far outside any list
  if (magnitude > (1ULL << 40)) magnitude = 1ULL << 40;
  value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  return true;
}

}  // namespace

NumberCheck CheckChosenNumber(const std::string& box, int rowCount) {
  long long number = 0;
  if (box.empty() || !ReadNumber(box, number)) return {std::nullopt, "Number not selected !!!"};
  if (number < 1 || number > rowCount) return {std::nullopt, "Number out of range !!!"};
  return {static_cast<int>(number - 1), {}};
}

std::string RowNumberText(int row) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%2d", row + 1);
  return buffer;
}

std::array<std::string, 8> TrialSolutionColumns(const TrialSolutionsDialog& dialog, int row) {
  const TrialSolutionRow& r = dialog.rows.at(static_cast<std::size_t>(row));
  std::array<std::string, 8> columns;
  columns[0] = RowNumberText(row);
  columns[1] = textio::Format("%6.4f", static_cast<double>(r.merit));
  for (int i = 0; i < 6; ++i) columns[2 + i] = r.cell[i].substr(0, 8);
  return columns;
}

std::array<std::string, 9> CellSolutionColumns(const CellSolutionsDialog& dialog, int row) {
  const CellSolutionRow& r = dialog.rows.at(static_cast<std::size_t>(row));
  std::array<std::string, 9> columns;
  columns[0] = RowNumberText(row);
  columns[1] = r.merit + "%";
  columns[2] = r.spaceGroup;
  for (int i = 0; i < 6; ++i) columns[3 + i] = r.cell[i];
  return columns;
}

void ApplyExpoBrowse(ExpoInputDialog& dialog, const std::string& path) {
  dialog.powderDataPath = path;
  std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.find_last_of('.');
  dialog.title = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

FileDialogRequest ExpoBrowseRequest() {
  return {"Input Files (*.int)|*.int|Other Files (*.*)|*.*||", ".int", ""};
}

std::optional<std::string> CheckExpoInput(ExpoInputDialog& dialog) {
  if (dialog.content.empty() || dialog.spaceGroupName.empty()) return "Not completetly filled !!!";
  const std::string& path = dialog.powderDataPath;
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    dialog.dataDirectory.clear();
    dialog.dataFileName = path;
  } else {
    dialog.dataDirectory = path.substr(0, slash);
    dialog.dataFileName = path.substr(slash + 1);
  }
  return std::nullopt;
}

}  // namespace difscop::platform
