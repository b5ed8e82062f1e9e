// The CellRef input file written from a chosen cell and its reflections.
#pragma once

#include <string>
#include <string_view>

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

// The peak list CellRef's reflections snap to, from a peak list file
// ("No. 2theta d Intensity" lines) or a plain list of one angle a line:
// the second number of a line when it has two, else the first. Lines without
// a finite angle are skipped; at most kMaxPeaks are kept.
void ReadPeakAngles(workspace::Workspace& ws, std::string_view text);

// Builtin: the built-in indexing's cells, written in Treor's line form.
enum class LineForm { Treor, Ito, Builtin };

// The whole file as CR LF text.
std::string CellRefInputText(const workspace::Workspace& ws, LineForm form, char systemCode,
                             const CellTexts& cell, const IndexedLines& lines);

}  // namespace difscop::indexing
