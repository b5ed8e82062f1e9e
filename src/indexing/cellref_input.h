// The CellRef input file written from a chosen cell and its reflections.
#pragma once

#include <string>

#include "indexing/listing.h"
#include "workspace/workspace.h"

namespace difscop::indexing {

// Crystal-system code from Treor's cell texts, compared as texts.
char CrystalSystemFromTexts(const CellTexts& cell);
// Crystal-system code from Ito's cell texts, compared as numbers.
char CrystalSystemFromValues(const CellTexts& cell);

// Replaces each observed 2theta (records and rejected peaks) by the first
// peak of the list within 0.02 degrees ("%8.3f" for the record texts).
void SnapToPeakList(const workspace::Workspace& ws, IndexedLines& lines);

// Builtin: the built-in indexing's cells, written in Treor's line form.
enum class LineForm { Treor, Ito, Builtin };

// The whole file as CR LF text.
std::string CellRefInputText(const workspace::Workspace& ws, LineForm form, char systemCode,
                             const CellTexts& cell, const IndexedLines& lines);

}  // namespace difscop::indexing
