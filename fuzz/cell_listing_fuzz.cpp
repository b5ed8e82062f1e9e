// The Cell result file read into its solution list.
#include <cstddef>
#include <cstdint>
#include <string>

#include "indexing/cell_expo_commands.h"
#include "platform/indexing_dialogs.h"
#include "platform/scripted_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  difscop::platform::ScriptedPlatform platform;
  auto rows = difscop::indexing::CellSolutionsFromText(platform, text);
  if (!rows) return 0;
  if (rows->size() > 50) __builtin_trap();
  difscop::platform::CellSolutionsDialog dialog;
  dialog.rows = *rows;
  for (int row = 0; row < static_cast<int>(rows->size()); ++row) {
    difscop::platform::CellSolutionColumns(dialog, row);
  }
  return 0;
}
