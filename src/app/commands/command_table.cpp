#include "app/commands/command_table.h"

#include <array>

namespace difscop::commands {

namespace {

using E = Enable;

constexpr Command kCommands[] = {
    // File
    {32901, "Open Pattern...", "Open a pattern file of any format\nOpen Pattern", E::Always},
    // File > Open Raw Data
    {32779, "Mac File (&M)", "Mac File Data Open\nMac File Open", E::Always},
    {32773, "Rigaku RINT File (&R)", "Rigaku RINT File Data Open\nRigaku RINT File Open",
     E::Always},
    {32781, "Rigaku RAD File (&A)", "Rigaku RAD File Data Open\nRigaku RAD File Open", E::Always},
    {32782, "Hermes Neutron File (&H)", "Hermes Neutron Data Open\nHermes File Open", E::Always},
    {32783, "(x,y) Format File (&X)", "(x,y) Format File Data Open\n(x,y) Format File Open",
     E::Always},
    {32785, "Rietan INT File (&I)", "Rietan INT File Open\nRietan INT File Open", E::Always},
    {32902, "GSAS Raw", "GSAS Raw Data File Open\nGSAS Raw File Open", E::Always},
    {32903, "Rigaku ASC/RAS", "Rigaku ASC or RAS File Open\nRigaku ASC/RAS File Open", E::Always},
    {32904, "Other Format...", "Data File Open in any format xylib reads\nOther Format Open",
     E::Always},
    // File > Open Fitted Data
    {32775, "Igor PAT File (&I)", "Igor PAT File Data Open\nIgor PAT File", E::Always},
    {32786, "GSAS CIF File Open (&G)", "GSAS CIF File Open\nGSAS File Open", E::Always},
    {32788, "FullProf prf File Open (&F)", "FullProf prf File Open\nFullProf File Open", E::Always},
    // File > Export Powder Formats
    {32791, "Rietan Normal Format (&N)", "Rietan Normal INT Format\nRietan Normal Format", E::E1},
    {32792, "Rietane General Format (&G)", "Rietan General INT Format\nRietan General Format",
     E::E1},
    {32793, "GSAS Format (&S)", "GSAS Input Data Format\nGSAS Input Format", E::E1},
    {32795, "FullProf Format (&F)", "FullProf Input Data Format\nFullProf Input Format", E::E1},
    {32796, "Rietical Format (&R)", "RIetical Input Data Format\nRietica Input Format", E::E1},
    {32797, "DBW Format (&D)", "DBW Input Data Format\nDBW Input Format", E::E1},
    {32798, "PowderX Format (&P)", "PowderX Input Data Format\nPowderX Input Format", E::E1},
    {32799, "(x,y) Format (&X)", "(x,y) Input Data Format\n(x,y) Input Format", E::E1},
    // File > Export Graphics Formats
    {32803, "Black && White", "Sma4 Graphic MonoColor Format\nSma4 Graphic MonoColor Format",
     E::Always},
    {32804, "Color", "Sma4 Graphic Color Format\nSma4 Graphic Color Format", E::Always},
    {32805, "Black && White", "EMF Graphic MonoClor Format\nEMF Graphic MonoClor Format",
     E::Always},
    {32806, "Color", "EMF Graphic Color Format\nEMF Graphic Color Format", E::Always},
    {32836, "BMP Format (&B)", "Bitmap Graphic Format\nBMP Format", E::Always},
    {32837, "Copy to Clipboard (&C)", "Copy to clipboard\nCopy to Clipboard", E::Always},
    // File > View Graphics
    {32855, "Sma4 (&S)", "View Sma4 graphic\nView Sma4", E::E10},
    {32856, "EMF (&E)", "View EMF graphic\nView EMF", E::E11},
    {32857, "BMP (&B)", "View BMP graphic\nView BMP", E::E12},
    // File
    {kIdExportPicture, "Export Picture (&E) ...",
     "Save the plot as PNG, SVG or PDF\nExport Picture", E::Always},
    {kIdPrint, "Print (&I) ...", "Print the plot\nPrint", E::Always},
    {32777, "Clear Pattern (&C)", "Clear graphic pattern \nClear Pattern", E::Always},
    {kIdCloseAll, "Close All", "Close every open pattern\nClose All", E::Always},
    {kIdOpenSession, "Open Session...",
     "Open the patterns and the view of a saved session\nOpen Session", E::Always},
    {kIdSaveSession, "Save Session...",
     "Save the open patterns and the view as a session\nSave Session", E::Always},
    {kIdExit, "Exit (&X)", "Quit the application\nExit", E::Always},
    // Edit
    {32809, "Smoothing (&S)", "Smoothin Data\nSmoothing Data", E::E1},
    {32810, "Auto Peak Search (&P)", "Auto Peak Search\nAuto Peak Search", E::E1},
    {32838, "Manual Peak Search (&M)", "Manual Peak Search\nManual Peak Search", E::E1},
    {32816, "Searched Peak List (&L)", "Automatically Searched Peak List\nSearched Peak List",
     E::E2},
    {32854, "Back Grd. Red. Point (&B)",
     "Set back ground reduction point\nBack Ground Reduction point", E::E3},
    {32858, "Back Grd Cal. (&C)", "Back ground calculation\nBack Ground Cal. ", E::E13},
    {kIdFitPeaks, "Fit Peaks...",
     "Fit profiles to the peaks of the drawn range or of the peak list\nFit Peaks", E::E1},
    {kIdUseFittedPositions, "Use Fitted Positions",
     "Make the fitted Ka1 positions the peak list\nUse Fitted Positions", E::E14},
    {kIdAutoBackground, "Auto Background...",
     "Find the background automatically (SNIP) and subtract it into a new pattern\nAuto "
     "Background",
     E::E1},
    {kIdStripKa2, "Strip Ka2", "Remove the Ka2 part of the profile into a new pattern\nStrip Ka2",
     E::E1},
    {kIdObservedAsPattern, "Observed as New Pattern",
     "Open the observed points of a refinement result as a measured pattern\nObserved as New "
     "Pattern",
     E::E15},
    {32845, "Edit File (&E)", "Edit or show file\nEdit File", E::Always},
    {32853, "Edit External Program (&X)", "Edit external program directory\nEdit External Program",
     E::Always},
    // View
    {kIdViewOverlay, "&Overlay", "Draw the open patterns over each other\nOverlay", E::Always},
    {kIdViewStack, "&Stacked", "Draw the open patterns one above the other\nStacked", E::Always},
    {kIdViewMap, "&Map", "One row per pattern, intensity as colour\nMap", E::Always},
    {kIdMoreStackOffset, "More Stack Offset", "Spread the stacked patterns further apart\nMore Offset",
     E::Always},
    {kIdLessStackOffset, "Less Stack Offset", "Draw the stacked patterns closer together\nLess Offset",
     E::Always},
    {kIdAxisTwoTheta, "&Two Theta", "x axis in degrees 2theta\nTwo Theta", E::Always},
    {kIdAxisD, "&d Spacing", "x axis in d spacing (Angstrom)\nd Spacing", E::Always},
    {kIdAxisQ, "&Q", "x axis in Q (1/Angstrom)\nQ", E::Always},
    {kIdScaleLinear, "&Linear Intensity", "Intensity on a linear scale\nLinear", E::Always},
    {kIdScaleSqrt, "S&quare Root Intensity", "Intensity on a square root scale\nSquare Root",
     E::Always},
    {kIdScaleLog, "Lo&g Intensity", "Intensity on a log scale\nLog", E::Always},
    {kIdNormaliseNone, "&No Normalisation", "Draw the intensities as measured\nNo Normalisation",
     E::Always},
    {kIdNormaliseHighest, "Normalise to &Highest Point",
     "Scale each pattern so that its highest point is 100\nNormalise to Highest", E::Always},
    {kIdNormaliseArea, "Normalise to Range &Area",
     "Scale each pattern so that its mean over the x range shown is 100\nNormalise to Area",
     E::Always},
    // Index
    {32820, "Ito Run (&I)", "Ito Indexing Run\nIto Run", E::E2},
    {32824, "Ito Results (&A)", "Show Ito Results\nIto Results", E::E4},
    {32821, "Treor Run (&T)", "Treor Indexing Run\nTreor Run", E::E2},
    {32825, "Treor Results (&B)", "Show Treor Results\nTreor Results", E::E5},
    {32822, "Dicvol run (&D)", "Dicvol Indexing Run\nDicvol Run", E::E2},
    {32826, "Dicvol Results (&F)", "Show Dicvol Results\nDicvol Results", E::E6},
    {32847, "Cell Run (&C)", "Cell Indexing Run\nCell Run", E::E2},
    {32848, "Cell Results (&L)", "Show Cell Results\nCell Results", E::E7},
    {32849, "Prepare EXPO File from Cell (&E)",
     "Prepare EXPO file from Cell results\nPrepare EXPO File from Cell", E::E7},
    {32850, "EXPO Run (&X)", "EXPO execution\nEXPO Run", E::E8},
    {32852, "GenHKL Run (&G)", "GenHKL Run\nGenHKL Run", E::E8},
    {32900, "Built-in Indexing...",
     "Index the peak list (searched from the noise when there is none) and refine the cell, no "
     "outside program needed\nBuilt-in Indexing",
     E::E1},
    {32950, "Add Reference Phase...",
     "Draw the reflections of a crystal structure (CIF) over the pattern\nAdd Reference Phase",
     E::Always},
    // Cell Refine
    {32844, "Prepare from Ito (&I)", "Prepare CellRef file from Ito results\nPrepare From Ito",
     E::E4},
    {32843, "Prepare From Treor (&T)",
     "Prepare CellRef file from Treor results\nPrepare From Treor", E::E5},
    {32840, "Edit CellRef File (&E)", "Edit a CellRef file\nEdit File", E::E2},
    {32842, "CellRef Run (&D)", "Unit cell refinement by CellRef\nCellRef Run", E::E9},
    // Setting
    {32827, "Set Range (&R)", "Set Drawing Range\nSet Range", E::Always},
    {kIdZoomBack, "Zoom Back (&Z)", "Back to the range before the last zoom\nZoom Back", E::Always},
    {32839, "Set X-ray Source (&X)", "Setting X-ray source\nSetting X-ray source", E::Always},
    {32817, "Set Para (&S)", "", E::Always},
    {32830, "Save Para (&P)", "Save Current Parameters as Default\nSave Para ", E::Always},
    {32829, "Reset Default Para (&D)", "Set Default Parameters\nSet Default Para", E::Always},
    {kIdToggleToolbar, "Toolbar (&T)", "Show or hide the toolbar\nToggle ToolBar", E::Always},
    {kIdToggleStatusBar, "Status Bar (&B)", "Show or hide the status bar\nToggle StatusBar",
     E::Always},
    {kIdTogglePatternList, "Pattern List (&L)", "Show or hide the list of open patterns\nPattern List",
     E::Always},
    {kIdToggleFitResults, "Fit Results (&F)",
     "Show or hide the table of the last profile fit\nFit Results", E::Always},
    {kIdToggleReferencePhases, "Reference Phases (&E)",
     "Show or hide the list of reference phases\nReference Phases", E::Always},
    // Help
    {32846, "Help by Html (&H)", "Show help document\nHelp by Html", E::Always},
    {kIdAbout, "About Difscop (&A) ...",
     "Display program information, version number and copyright\nAbout", E::Always},
};

using K = MenuRow::Kind;
constexpr MenuRow Sub(int depth, std::string_view label) {
  return {K::Submenu, depth, label, 0};
}
constexpr MenuRow Cmd(int depth, int id) {
  return {K::Command, depth, {}, id};
}
constexpr MenuRow Sep(int depth) {
  return {K::Separator, depth, {}, 0};
}

constexpr MenuRow kMenu[] = {
    Sub(0, "&File"),
    Cmd(1, 32901),
    Sub(1, "Open Raw Data (&R) ..."),
    Cmd(2, 32779),
    Sep(2),
    Cmd(2, 32773),
    Cmd(2, 32781),
    Sep(2),
    Cmd(2, 32782),
    Sep(2),
    Cmd(2, 32783),
    Sep(2),
    Cmd(2, 32785),
    Sep(2),
    Cmd(2, 32902),
    Cmd(2, 32903),
    Cmd(2, 32904),
    Sub(1, "Open Fitted Data (&F) ..."),
    Cmd(2, 32775),
    Sep(2),
    Cmd(2, 32786),
    Cmd(2, 32788),
    Sep(1),
    Cmd(1, kIdOpenSession),
    Cmd(1, kIdSaveSession),
    Sep(1),
    Sub(1, "Export Powder Formats (&P)"),
    Cmd(2, 32791),
    Cmd(2, 32792),
    Sep(2),
    Cmd(2, 32793),
    Cmd(2, 32795),
    Cmd(2, 32796),
    Cmd(2, 32797),
    Cmd(2, 32798),
    Sep(2),
    Cmd(2, 32799),
    Sub(1, "Export Graphics Formats (&G)"),
    Sub(2, "Sma4 Format (&S)"),
    Cmd(3, 32803),
    Cmd(3, 32804),
    Sub(2, "EMF Format (&E)"),
    Cmd(3, 32805),
    Cmd(3, 32806),
    Cmd(2, 32836),
    Sep(2),
    Cmd(2, 32837),
    Sep(1),
    Sub(1, "View Graphics (&V)"),
    Cmd(2, 32855),
    Cmd(2, 32856),
    Cmd(2, 32857),
    Sep(1),
    Cmd(1, kIdExportPicture),
    Cmd(1, kIdPrint),
    Sep(1),
    Cmd(1, 32777),
    Cmd(1, kIdCloseAll),
    Sep(1),
    Cmd(1, kIdExit),

    Sub(0, "&Edit"),
    Cmd(1, 32809),
    Sep(1),
    Cmd(1, 32810),
    Cmd(1, 32838),
    Cmd(1, 32816),
    Sep(1),
    Cmd(1, 32854),
    Cmd(1, 32858),
    Sep(1),
    Cmd(1, kIdFitPeaks),
    Cmd(1, kIdUseFittedPositions),
    Cmd(1, kIdAutoBackground),
    Cmd(1, kIdStripKa2),
    Cmd(1, kIdObservedAsPattern),
    Sep(1),
    Cmd(1, 32845),
    Sep(1),
    Cmd(1, 32853),

    Sub(0, "&View"),
    Cmd(1, kIdViewOverlay),
    Cmd(1, kIdViewStack),
    Cmd(1, kIdViewMap),
    Cmd(1, kIdMoreStackOffset),
    Cmd(1, kIdLessStackOffset),
    Sep(1),
    Cmd(1, kIdAxisTwoTheta),
    Cmd(1, kIdAxisD),
    Cmd(1, kIdAxisQ),
    Sep(1),
    Cmd(1, kIdScaleLinear),
    Cmd(1, kIdScaleSqrt),
    Cmd(1, kIdScaleLog),
    Sep(1),
    Cmd(1, kIdNormaliseNone),
    Cmd(1, kIdNormaliseHighest),
    Cmd(1, kIdNormaliseArea),

    Sub(0, "&Index"),
    Sep(1),
    Cmd(1, 32820),
    Cmd(1, 32824),
    Sep(1),
    Cmd(1, 32821),
    Cmd(1, 32825),
    Sep(1),
    Cmd(1, 32822),
    Cmd(1, 32826),
    Sep(1),
    Cmd(1, 32847),
    Cmd(1, 32848),
    Cmd(1, 32849),
    Sep(1),
    Cmd(1, 32850),
    Sep(1),
    Cmd(1, 32852),
    Sep(1),
    Cmd(1, 32900),
    Sep(1),
    Cmd(1, 32950),

    Sub(0, "&Cell Refine"),
    Cmd(1, 32844),
    Cmd(1, 32843),
    Sep(1),
    Cmd(1, 32840),
    Sep(1),
    Cmd(1, 32842),

    Sub(0, "&Setting"),
    Cmd(1, 32827),
    Cmd(1, kIdZoomBack),
    Cmd(1, 32839),
    Sep(1),
    Cmd(1, 32817),
    Cmd(1, 32830),
    Sep(1),
    Cmd(1, 32829),
    Sep(1),
    Cmd(1, kIdToggleToolbar),
    Cmd(1, kIdToggleStatusBar),
    Cmd(1, kIdTogglePatternList),
    Cmd(1, kIdToggleFitResults),
    Cmd(1, kIdToggleReferencePhases),

    Sub(0, "&Help"),
    Cmd(1, 32846),
    Cmd(1, kIdAbout),
};

// Open Pattern, which reads every format, leads; Help stands beside About.
// clang-format off
constexpr int kToolbar[] = {kIdOpenPattern, 0,
                            32779, 32773, 32791, 32809, 32810, 0,
                            32775, 32803, 32805, 0,
                            kIdZoomBack, 0,
                            kIdHelp, kIdAbout, 0,
                            kIdExit};
// clang-format on

}  // namespace

std::span<const Command> AllCommands() {
  return kCommands;
}
std::span<const MenuRow> MenuRows() {
  return kMenu;
}
std::span<const int> ToolbarIds() {
  return kToolbar;
}

const Command* FindCommand(int id) {
  for (const Command& c : kCommands) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

bool ConditionHolds(const workspace::Workspace& ws, Enable condition) {
  switch (condition) {
    case E::Always:
      return true;
    case E::E1:
      return ws.rawLoaded && !ws.simulationMode;
    case E::E2:
      return ws.rawLoaded && (ws.autoPeaksFound || ws.manualPeakMode);
    case E::E3:
      return ws.rawLoaded;
    case E::E4:
      return ws.itoRunDone;
    case E::E5:
      return ws.treorRunDone;
    case E::E6:
      return ws.dicvolRunDone;
    case E::E7:
      return ws.cellRunDone;
    case E::E8:
      return ws.expoPrepared;
    case E::E9:
      return ws.cellRefPrepared;
    case E::E10:
      return ws.sma4Written;
    case E::E11:
      return ws.emfWritten;
    case E::E12:
      return ws.bmpWritten;
    case E::E13:
      return ws.backgroundPickMode;
    case E::E14:
      return ws.rawLoaded && !ws.simulationMode && !ws.peakFit.lines.empty();
    case E::E15:
      return !ws.rawLoaded && !ws.blankPlot && ws.obsCount > 0;
  }
  return false;
}

std::optional<bool> Checked(const workspace::Workspace& ws, int id) {
  using workspace::Layout, workspace::XAxis, workspace::YAxis, workspace::Normalise;
  switch (id) {
    case kIdViewOverlay:
      return ws.layout == Layout::kOverlay;
    case kIdViewStack:
      return ws.layout == Layout::kStack;
    case kIdViewMap:
      return ws.layout == Layout::kMap;
    case kIdAxisTwoTheta:
      return ws.xAxis == XAxis::kTwoTheta;
    case kIdAxisD:
      return ws.xAxis == XAxis::kD;
    case kIdAxisQ:
      return ws.xAxis == XAxis::kQ;
    case kIdScaleLinear:
      return ws.yAxis == YAxis::kLinear;
    case kIdScaleSqrt:
      return ws.yAxis == YAxis::kSqrt;
    case kIdScaleLog:
      return ws.yAxis == YAxis::kLog;
    case kIdNormaliseNone:
      return ws.normalise == Normalise::kNone;
    case kIdNormaliseHighest:
      return ws.normalise == Normalise::kHighest;
    case kIdNormaliseArea:
      return ws.normalise == Normalise::kArea;
    default:
      return std::nullopt;
  }
}

bool Enabled(const workspace::Workspace& ws, int id) {
  const Command* c = FindCommand(id);
  return c != nullptr && ConditionHolds(ws, c->enable);
}

std::string_view StatusPrompt(std::string_view prompt) {
  return prompt.substr(0, prompt.find('\n'));
}

std::string_view Tooltip(std::string_view prompt) {
  const auto cut = prompt.find('\n');
  return cut == std::string_view::npos ? std::string_view{} : prompt.substr(cut + 1);
}

std::string MenuPath(int id) {
  // Walk the rows keeping the titles of the open submenus.
  std::array<std::string_view, 8> open{};
  for (const MenuRow& row : kMenu) {
    if (row.kind == K::Submenu) {
      open[row.depth] = row.label;
    } else if (row.kind == K::Command && row.id == id) {
      std::string path;
      for (int d = 0; d < row.depth; ++d) {
        path += open[d];
        path += " > ";
      }
      return path + std::string(FindCommand(id)->label);
    }
  }
  return {};
}

}  // namespace difscop::commands
