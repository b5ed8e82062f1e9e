// The program's commands as data: identifiers, where each sits in the menus,
// its label and prompt, and when it is enabled. The Qt program builds its
// menus, toolbar and status tips from this table; tests and tools read it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "workspace/workspace.h"

namespace difscop::commands {

// Enable conditions over the workspace flags.
enum class Enable {
  Always,
  E1,   // rawLoaded and not simulationMode
  E2,   // rawLoaded and (autoPeaksFound or manualPeakMode)
  E3,   // rawLoaded
  E4,   // itoRunDone
  E5,   // treorRunDone
  E6,   // dicvolRunDone
  E7,   // cellRunDone
  E8,   // expoPrepared
  E9,   // cellRefPrepared
  E10,  // sma4Written
  E11,  // emfWritten
  E12,  // bmpWritten
  E13,  // backgroundPickMode
  E14,  // rawLoaded and the pattern holds a profile fit
  E15,  // a refinement result is loaded (not rawLoaded, points drawn)
};

// Command identifiers the frame handles itself.
inline constexpr int kIdExit = 57665;
inline constexpr int kIdAbout = 57664;
inline constexpr int kIdToggleToolbar = 59392;
inline constexpr int kIdToggleStatusBar = 59393;

// Commands of the desktop program beyond the menus above.
inline constexpr int kIdOpenPattern = 32901;
inline constexpr int kIdExportPicture = 32871;
inline constexpr int kIdPrint = 32872;
inline constexpr int kIdZoomBack = 32873;
// The list of open patterns and sessions of them.
inline constexpr int kIdCloseAll = 32920;
inline constexpr int kIdOpenSession = 32921;
inline constexpr int kIdSaveSession = 32922;
inline constexpr int kIdTogglePatternList = 32923;
// Shows or hides the profile fit's table (a dock, like the pattern list).
inline constexpr int kIdToggleFitResults = 32924;
// Shows or hides the reference phases' panel.
inline constexpr int kIdToggleReferencePhases = 32925;

// Help > Help by Html, named for the toolbar and the F1 key.
inline constexpr int kIdHelp = 32846;

// View: how the open patterns share the plot, the axes, normalisation.
inline constexpr int kIdViewOverlay = 32930;
inline constexpr int kIdViewStack = 32931;
inline constexpr int kIdViewMap = 32932;
inline constexpr int kIdMoreStackOffset = 32933;
inline constexpr int kIdLessStackOffset = 32934;
inline constexpr int kIdAxisTwoTheta = 32935;
inline constexpr int kIdAxisD = 32936;
inline constexpr int kIdAxisQ = 32937;
inline constexpr int kIdScaleLinear = 32938;
inline constexpr int kIdScaleSqrt = 32939;
inline constexpr int kIdScaleLog = 32940;
inline constexpr int kIdNormaliseNone = 32941;
inline constexpr int kIdNormaliseHighest = 32942;
inline constexpr int kIdNormaliseArea = 32943;

// Profile fitting, the automatic background and Ka2 stripping (Edit menu).
inline constexpr int kIdFitPeaks = 32960;
inline constexpr int kIdUseFittedPositions = 32961;
inline constexpr int kIdAutoBackground = 32962;
inline constexpr int kIdStripKa2 = 32963;
inline constexpr int kIdObservedAsPattern = 32964;

struct Command {
  int id;
  std::string_view label;   // as the menu shows it; "&" marks the access key, "&&" is a literal "&"
  std::string_view prompt;  // "status prompt\ntooltip"; empty when the command has none
  Enable enable;
};

// One row of the menu bar in display order. Depth 0 rows are the top-level
// menus; a Submenu row opens a level that ends where the depth falls back.
struct MenuRow {
  enum class Kind { Submenu, Command, Separator };
  Kind kind;
  int depth;
  std::string_view label;  // submenu title (Submenu rows only)
  int id;                  // command identifier (Command rows only)
};

// Every command, in menu order.
std::span<const Command> AllCommands();

// The menu bar, row by row.
std::span<const MenuRow> MenuRows();

// The toolbar buttons in order; 0 stands for a separator.
std::span<const int> ToolbarIds();

// nullptr for an unknown identifier.
const Command* FindCommand(int id);

// For a command that is one choice of several (the View menu's), whether
// it is the one in force; nullopt for any other command.
std::optional<bool> Checked(const workspace::Workspace& ws, int id);

// Whether the enable condition of the command holds (false for an unknown id).
bool Enabled(const workspace::Workspace& ws, int id);
bool ConditionHolds(const workspace::Workspace& ws, Enable condition);

// The parts of a prompt: the status-bar text before "\n", the tooltip after it.
std::string_view StatusPrompt(std::string_view prompt);
std::string_view Tooltip(std::string_view prompt);

// The menu path of a command as "File > Open Raw Data (&R) ... > Mac File (&M)".
std::string MenuPath(int id);

}  // namespace difscop::commands
