// The Index menu's runs of Ito, Treor and Dicvol: write the program's input
// file from the peak list, offer it for editing, run the program and wait,
// then show its listing.
#pragma once

#include <string>

#include "indexing/program_files.h"

namespace difscop::indexing {

// Sets the result flags from the files that exist (never clears one).
void RefreshResultFlags(Workspace& ws);

enum class IndexingProgram { Ito, Treor, Dicvol };

// The input file of a run, as name (relative to startDirectory) and CR LF text.
struct InputFile {
  std::string name;
  std::string contents;
};

// Refines manually picked peaks (when they are current) and builds the input
// file from the peak list, exactly as the run writes it.
InputFile IndexingInputFile(Workspace& ws, IndexingProgram program);

// The three input layouts over the current peak list.
std::string ItoInputText(const Workspace& ws);
std::string TreorInputText(const Workspace& ws);
std::string DicvolInputText(const Workspace& ws);

void ItoRunCommand(Workspace& ws, Platform& platform);
void TreorRunCommand(Workspace& ws, Platform& platform);
void DicvolRunCommand(Workspace& ws, Platform& platform);

void ItoResultsCommand(Workspace& ws, Platform& platform);
void TreorResultsCommand(Workspace& ws, Platform& platform);
void DicvolResultsCommand(Workspace& ws, Platform& platform);

// Replaces manually picked peaks by their refined values before a run.
void RefinePeaksForRun(Workspace& ws);

}  // namespace difscop::indexing
