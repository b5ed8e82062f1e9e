// Index > "Built-in Indexing...": the options dialog, the search in the
// difscop-index program (followed from a worker thread under a progress
// window with Cancel), the solutions list and the refinement report.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/handlers.h"

namespace difscop::app {

inline constexpr int kIdBuiltinIndexing = 32900;

void BuiltinIndexingCommand(CommandContext& ctx);

// The report-style list with "Which number ?" of the trial solutions, over
// other columns (title, width); the chosen 0-based row, nullopt on Cancel.
// selected, when given, hears of each row selected (or double clicked)
// while the list is open.
std::optional<int> ChooseFromSolutionList(QWidget* parent, const QString& caption,
                                          const std::vector<std::pair<const char*, int>>& columns,
                                          const std::vector<std::vector<std::string>>& rows,
                                          const std::function<void(int row)>& selected = {});

}  // namespace difscop::app
