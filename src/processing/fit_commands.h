// The window's profile commands: Fit Peaks with its results table, Use
// Fitted Positions, Auto Background (SNIP) and Strip Ka2 (Rachinger), the
// last two making a new open pattern from the active one.
#pragma once

#include <string>

#include "platform/platform.h"
#include "processing/profile_fit.h"
#include "workspace/workspace.h"

namespace difscop::processing {

// Edit > Fit Peaks...: the dialog, then the fit of the peaks of the drawn
// range (the peak list's there, or, when it has none there, the tops the
// automatic search finds, the list left as it was) or of the whole peak
// list. The result is kept with the pattern (peakFit) and drawn.
void FitPeaksCommand(workspace::Workspace& ws, platform::Platform& platform);

// Fits the given positions and keeps the result as peakFit; false (message
// shown) when no line could be fitted.
bool FitPatternPeaks(workspace::Workspace& ws, platform::Platform& platform,
                     std::vector<double> positions, const ProfileOptions& options);

// Edit > Use Fitted Positions: the sound fitted lines become the peak list,
// their Ka1 2theta with its uncertainty (peak2ThetaEsd), d and height.
void UseFittedPositionsCommand(workspace::Workspace& ws, platform::Platform& platform);

// The results as a table: a header line and one line per fitted line,
// values and uncertainties in separate columns (empty where there is none),
// in the C locale. CSV with ',' and CR LF; a sheet's paste with '\t' and LF.
std::string FitResultsTable(const workspace::PeakFitResult& fit, char separator,
                            const char* lineEnd);

// The results table's "Save as CSV...": asks for the file and writes it.
void SaveFitResultsCommand(const workspace::Workspace& ws, platform::Platform& platform);

// value(esd) as crystallographers write it: the uncertainty to two digits
// when its first one is 1, to one otherwise, the value rounded to match
// ("45.1234(5)", "1234(12)"); without an uncertainty the value to
// fallbackDecimals.
std::string ValueWithEsd(double value, double esd, int fallbackDecimals);

// The results table's "Use as Instrument": a Caglioti curve through the
// widths of the fitted lines (a standard's) becomes the instrument's width
// (instrumentU, V, W), said in a message; the fit's sizes are taken again
// with it. Fewer than three lines: a message, nothing changed.
void UseAsInstrumentCommand(workspace::Workspace& ws, platform::Platform& platform);

// Edit > Auto Background...: the SNIP background of the window asked for is
// drawn under the pattern, and on Yes to "Subtract it into a new pattern ?"
// the pattern less its background opens beside it and becomes active.
void AutoBackgroundCommand(workspace::Workspace& ws, platform::Platform& platform);

// Edit > Strip Ka2: the profile with its Ka2 part removed (source of Set
// X-ray Source, above the SNIP background) opens as a new pattern.
void StripKa2Command(workspace::Workspace& ws, platform::Platform& platform);

// Edit > Observed as New Pattern: the observed points of the active
// refinement result open as a measured pattern, so that peak search, profile
// fitting, background, Ka2 stripping and indexing work on what was measured.
// The wavelength the file states becomes the pattern's. Any other pattern:
// "Not a refinement result !!!", nothing changed. Returns whether it opened.
bool ObservedAsPatternCommand(workspace::Workspace& ws, platform::Platform& platform);

// Adds a pattern made from the active one with the values y (one per point)
// and makes it active: same angles, step and wavelengths (the source's and the
// file's), no file, nothing else carried over. name is the list's name. Returns its index.
int AddDerivedPattern(workspace::Workspace& ws, const std::vector<double>& y,
                      const std::string& name);

}  // namespace difscop::processing
