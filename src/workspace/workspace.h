// The program's state: the open patterns (Pattern), how they are drawn
// (View) and the run around them (Session). Tables are 1-based (slot 0
// unused).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace difscop::workspace {

// Capacities: the usable elements of each table (slot 0 is never used).
inline constexpr int kMaxPoints = 99999;
inline constexpr int kMaxSegments = 19;
inline constexpr int kMaxPhases = 9;
inline constexpr int kMaxReflections = 2999;
inline constexpr int kMaxPeaks = 200;
inline constexpr int kMaxBackgroundPoints = 199;
inline constexpr int kMaxSolutions = 50;

// Colours are laid out 0x00BBGGRR.
using Colour = std::uint32_t;

inline constexpr Colour RgbColour(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
inline constexpr int GreenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int BlueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

struct Point {
  float x = 0.0f;
  float y = 0.0f;
};

struct DevicePoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// startupOption of a file named on the command line without a switch: opened
// by its type, like a file chosen from the File menu.
inline constexpr std::int32_t kStartupByFileType = 3;

// A working file this run writes or lets an outside program write, with the
// state it had before: only a file that was new or has changed since is
// deleted at exit, so a user's own Ito.dat or CellRef.inp is never lost.
struct WorkingFileClaim {
  std::string path;
  bool existed = false;
  std::filesystem::file_time_type modified{};
};
using Flag = std::uint8_t;

// A pattern's table of points or angles, 1-based like the capacities above
// (slot 0 unused). It holds as many slots as have been written, so a pattern
// of 5,000 points costs about 5,000 points; reading a slot never written
// gives zero, as a fresh fixed table did.
template <typename T>
class Table {
 public:
  T& operator[](std::size_t i) {
    if (i >= slots_.size()) Grow(i);
    return slots_[i];
  }
  const T& operator[](std::size_t i) const { return i < slots_.size() ? slots_[i] : kZero; }
  // Slots 0 to n, contiguous; n + 1 of them are made when fewer exist.
  T* data(std::size_t n) {
    if (n >= slots_.size()) Grow(n);
    return slots_.data();
  }
  const T* data() const { return slots_.empty() ? &kZero : slots_.data(); }
  std::size_t size() const { return slots_.size(); }
  // Drops every slot (a cleared table reads as zero again).
  void clear() { std::vector<T>().swap(slots_); }
  // Gives back what growth reserved beyond the highest written slot.
  void shrink_to_fit() { slots_.shrink_to_fit(); }
  // Room for slots 0 to n - 1 without moving (the slots themselves are not
  // made: a table filled slot by slot then costs no copies).
  void reserve(std::size_t n) { slots_.reserve(n); }
  std::size_t capacity() const { return slots_.capacity(); }

 private:
  // The next slot is appended in place; a slot further on fills the gap.
  void Grow(std::size_t i) {
    if (i == slots_.size())
      slots_.emplace_back();
    else
      slots_.resize(i + 1, T{});
  }
  static constexpr T kZero{};
  std::vector<T> slots_;
};

using PointArray = Table<Point>;

// Axis kinds of the plot: x in 2theta, d-spacing (Angstrom) or Q (1/Angstrom);
// intensity linear, square root or logarithmic.
enum class XAxis : std::uint8_t { kTwoTheta, kD, kQ };
enum class YAxis : std::uint8_t { kLinear, kSqrt, kLog };
// How the open patterns share the plot.
enum class Layout : std::uint8_t { kOverlay, kStack, kMap };
// Scaling of each pattern before drawing: none, its highest point to 100,
// or its mean over a range of the x axis to 100.
enum class Normalise : std::uint8_t { kNone, kHighest, kArea };

// A value and its standard uncertainty (NaN where there is none).
struct FitValue {
  double value = 0.0;
  double esd = 0.0;
};

// One fitted line as the results table lists it: the Ka1 line's 2theta and
// d, height, FWHM, integrated area, shape (eta or m) and Scherrer size (nm).
struct FittedLine {
  FitValue twoTheta, d, height, fwhm, area, shape, size;
};

// A profile fit of some of the pattern's peaks: its table and figures, and
// what the plot draws over the data: the model (background included) and
// each line over its background, at the fitted points in ascending x, and
// the measured values at the model's points (for the difference). Empty
// lines: no fit.
struct PeakFitResult {
  std::vector<FittedLine> lines;
  std::string shape;  // "pseudo-Voigt" or "Pearson VII", "split" after it
  double rwp = 0.0;
  double reducedChiSquare = 0.0;
  int points = 0;
  int parameters = 0;
  int unfitted = 0;  // peaks asked for that gave no sound line
  // Williamson-Hall size (nm) and strain; NaN values when it could not be had.
  FitValue whSize, whStrain;
  std::vector<Point> model;
  std::vector<float> observed;
  std::vector<std::vector<Point>> lineCurves;
  // Counts fits, so that a view of the results sees a new one.
  std::uint32_t serial = 0;
};

// A reflection of a reference phase as drawn: its stick reaches height
// (intensity units of the plot).
struct ReferenceStick {
  float twoTheta = 0.0f;
  float height = 0.0f;
  std::int32_t h = 0, k = 0, l = 0;
  float d = 0.0f;
  float intensity = 0.0f;  // relative, the phase's strongest 100
};

// A phase computed from a crystal structure, drawn over the patterns in its
// own colour and named in the legend; profile is its calculated pattern
// (background included) where one was fitted to the data.
struct ReferenceOverlay {
  std::string name;
  Colour colour = 0;
  std::vector<ReferenceStick> sticks;
  std::vector<Point> profile;
};

// One loaded pattern: its points, the structure of a fit, its peaks and
// background points, and the flags that say what it holds.
struct Pattern {
  // Point arrays; obsCount counts obs, calc and background alike.
  PointArray obs;
  PointArray calc;
  PointArray smoothed;
  PointArray background;
  std::int32_t obsCount = 0;
  std::int32_t smoothFirst = 0;
  std::int32_t smoothLast = 0;
  float stepStart = 0.0f;
  float stepWidth = 0.0f;
  float stepEnd = 0.0f;
  float wavelength = 1.540593f;
  // wavelength came with the pattern (a neutron wavelength asked for at
  // load), not from the X-ray source.
  Flag wavelengthFromPattern = 0;
  // The (first) wavelength the file states, 0 when it states none. The d
  // and Q axes and the reference phases use it; the peak list's d-spacings
  // keep to `wavelength`, which the X-ray source sets.
  float fileWavelength = 0.0f;

  // The wavelength the pattern itself gives (asked for at load, or stated by
  // its file), 0 when it gives none.
  float StatedWavelength() const {
    return wavelengthFromPattern ? wavelength : fileWavelength;
  }

  // Structure of a loaded fit.
  std::int32_t segmentCount = 0;
  std::array<std::int32_t, kMaxSegments + 1> segmentPointCount{};
  std::int32_t phaseCount = 1;
  std::array<std::int32_t, kMaxPhases + 1> reflectionCount{};
  std::array<Table<float>, kMaxPhases + 1> reflectionPos;
  // Names of the phases where the file gives them (empty: "Phase N").
  std::array<std::string, kMaxPhases + 1> phaseName{};

  // Peak list.
  std::int32_t peakCount = 0;
  std::array<float, kMaxPeaks + 1> peak2Theta{};
  std::array<float, kMaxPeaks + 1> peakIntensity{};
  std::array<float, kMaxPeaks + 1> peakD{};
  std::array<float, kMaxPeaks + 1> fitted2Theta{};
  std::array<float, kMaxPeaks + 1> fittedIntensity{};
  std::array<float, kMaxPeaks + 1> fittedD{};
  std::array<std::int32_t, kMaxPeaks + 1> peakPointIndex{};
  // The standard uncertainty of peak2Theta where the list holds fitted Ka1
  // positions (Use Fitted Positions); 0 for a searched or picked peak.
  std::array<float, kMaxPeaks + 1> peak2ThetaEsd{};

  // The last profile fit of the pattern's peaks.
  PeakFitResult peakFit;

  // The reflections of the cell last chosen from the built-in indexing of
  // this pattern's peaks (with its zero and displacement), drawn as the
  // reference phases are; no sticks when none was chosen.
  ReferenceOverlay indexedCell;

  // Manual picking and background points (200 slots, 199 usable).
  std::int32_t manualPeakCount = 0;
  std::int32_t backgroundPointCount = 0;
  std::array<float, kMaxBackgroundPoints + 1> backgroundX{};
  std::array<float, kMaxBackgroundPoints + 1> backgroundY{};

  // What the pattern holds, 0 or 1.
  Flag rawLoaded = 0;
  Flag pairedIntLoad = 0;
  Flag smoothedValid = 0;
  Flag autoPeaksFound = 0;
  Flag simulationMode = 0;
  Flag backgroundCurveValid = 0;
  // The Ka2 part has been stripped from the profile (its lines are single).
  Flag ka2Stripped = 0;

  // The file it was read from (empty for a pattern made from another).
  std::string dataFilePath;
};

// How the patterns are drawn: display settings, drawing range and ticks, the
// geometry of the last paint, the mouse and the axis kinds.
struct View {
  // Display settings (settings file, settings dialog).
  Colour colBack = 0x800000;
  Colour colBase = 0x000000;
  Colour colFrame = 0x00FFFF;
  Colour colObs = 0x0000FF;
  Colour colCalc = 0xFF0000;
  Colour colDiff = 0x00FF00;
  Colour colRef = 0x00FFFF;
  Colour colFont = 0x00FFFF;
  std::int32_t frameLineWidth = 1;
  std::int32_t calcLineWidth = 1;
  std::int32_t obsDotRadius = 1;
  std::int32_t diffDotRadius = 1;
  std::int32_t fontSize = 18;
  Colour colObsFill = 0x0000FF;
  Colour colDiffFill = 0x00FF00;
  Colour colMonoInk = 0x000000;
  Colour colMonoPaper = 0xFFFFFF;
  std::string fontName = "Times New Roman";

  // Drawing range and ticks.
  float xMin = 0.0f;
  float yMin = 0.0f;
  float xMax = 100.0f;
  float yMax = 8000.0f;
  float xTick = 10.0f;
  float yTick = 1000.0f;

  // Plot geometry of the last paint (device pixels).
  std::int32_t plotLeft = 0;
  std::int32_t plotRight = 0;
  std::int32_t plotTop = 0;
  std::int32_t plotBottom = 0;
  Rect frameRect{};
  std::int32_t yTickLength = 0;
  std::int32_t rowStep = 0;
  std::int32_t baseY = 0;
  std::int32_t diffZeroY = 0;
  std::array<std::int32_t, kMaxPhases + 1> markerRowY{};
  float xScale = 0.0f;
  float yScale = 0.0f;

  // Mouse state (device coordinates).
  DevicePoint dragStart{};
  DevicePoint dragCurrent{};
  DevicePoint zoomStart{};
  DevicePoint zoomEnd{};
  DevicePoint cursorPos{};

  // Axis kinds and the arrangement of several patterns.
  XAxis xAxis = XAxis::kTwoTheta;
  YAxis yAxis = YAxis::kLinear;
  Layout layout = Layout::kOverlay;
  Normalise normalise = Normalise::kNone;
  // The range a kArea normalisation averages over, on the axis it was
  // chosen in.
  XAxis normaliseAxis = XAxis::kTwoTheta;
  float normaliseFrom = 0.0f;
  float normaliseTo = 0.0f;
  // Step between stacked patterns, in percent of the highest one.
  float stackOffset = 20.0f;

  // Flags, 0 or 1.
  Flag colorDrawing = 1;
  Flag blankPlot = 1;
  Flag manualPeakMode = 0;
  Flag recordingMetafile = 0;
  Flag plotDrawn = 0;
  Flag dragActive = 0;
  Flag backgroundPickMode = 0;
  // Set by AutoRange, which ranges the active pattern alone in 2theta and
  // counts: the next paint ranges the view over what it shows instead.
  Flag viewRangePending = 0;

  // Reference phases drawn over the patterns, in the order they were added.
  std::vector<ReferenceOverlay> referencePhases;
};

// A pattern the session holds besides the active one, with how the list
// shows it.
struct OpenPattern {
  Pattern pattern;
  std::string name;
  Colour colour = 0;
  bool visible = true;
};

// The run: processing and X-ray source settings, the outside programs and
// their working files, the start directory, what the main frame shows, and
// the open patterns.
struct Session {
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  // Deletes the working files this run has written (see DeleteWorkingFiles).
  ~Session();

  // Processing parameters.
  std::int32_t smoothPoints = 3;
  std::int32_t peakThreshold = 500;
  std::int32_t peakDiffPoints = 4;
  // Cu when the settings file gives no X-ray source.
  float ka1Wavelength = 1.540593f;
  float ka2Wavelength = 1.54441f;
  float ka2IntensityTolerance = 0.05f;
  float ka2WavelengthTolerance = 0.05f;
  float ka2Ratio = 0.5f;
  float goniometerRadius = 185.0f;
  // Profile fitting: the SNIP window (degrees), the Scherrer constant and the
  // instrument's width, FWHM^2 = U tan^2(theta) + V tan(theta) + W
  // (degrees squared; all 0 until a standard has been fitted).
  float snipWindow = 1.5f;
  float scherrerK = 0.9f;
  double instrumentU = 0.0, instrumentV = 0.0, instrumentW = 0.0;

  // Runs of the outside programs and files written, 0 or 1.
  Flag commandLineFilePending = 0;
  Flag cellRunDone = 0;
  Flag itoRunDone = 0;
  Flag treorRunDone = 0;
  Flag dicvolRunDone = 0;
  Flag cellRefPrepared = 0;
  Flag cellRefRunDone = 0;
  Flag expoPrepared = 0;
  Flag sma4Written = 0;
  Flag emfWritten = 0;
  Flag bmpWritten = 0;

  // Files, programs and start-up.
  std::string commandLine;
  std::int32_t startupOption = 0;
  // Files named together on the command line, opened side by side once the
  // window is up (a lone file is dataFilePath, loaded by the first paint).
  std::vector<std::string> startupFiles;
  std::string startDirectory;
  // The settings file read at start and written back (empty: the start
  // directory's), and the installed program's share/difscop directory.
  std::string settingsFilePath;
  std::string dataDirectory;
  // The indexing programs as named at start; Difscop.ini may name others.
  std::string itoExe = "Ito13.exe";
  std::string itoBaseName;
  std::string itoOutput;
  std::string dicvolExe = "Dicvol91.exe";
  std::string dicvolInput;
  std::string dicvolOutput;
  std::string treorExe = "Treor90.exe";
  std::string treorBaseName;
  std::string treorOutput;
  std::string editorExe = "c:\\windows\\notepad.exe";
  std::string cellExe;
  std::string cellDirectory;
  std::string cellInput;
  std::string cellOutput;
  std::string cellRefExe;
  std::string cellRefDirectory;
  std::string cellRefInput;
  std::string cellRefOutput;
  std::string expoExe;
  std::string expoDirectory;
  std::string expoFilePath;
  std::string genHklExe;
  std::string genHklDirectory;
  std::string sma4FilePath;
  std::string emfFilePath;
  std::string bmpFilePath;
  std::string backgroundDataPath;
  std::vector<WorkingFileClaim> claimedFiles;
  std::array<std::array<std::string, kMaxSolutions + 1>, 6> solutionCells{};
  std::array<std::string, kMaxSolutions + 1> solutionSpaceGroup{};
  std::array<std::string, kMaxSolutions + 1> solutionMerit{};

  // What the main frame shows: its title and the three status-bar text panes.
  // The window copies them after every command and paint.
  std::string windowTitle = "Difscop --- [File Name : ]  ";
  std::array<std::string, 3> statusPaneText{};

  // The open patterns in list order. The active one's data is the
  // workspace's own Pattern part; its entry here holds an empty Pattern
  // until another becomes active (see Activate). Empty when no pattern has
  // been added to the list: the workspace's Pattern part is then the only
  // pattern, as it always was.
  std::vector<OpenPattern> patterns;
  std::int32_t activePattern = -1;
};

// Everything the program knows while it runs: the session, its view, and
// the active pattern, whose fields every command reads and writes. A layer
// that needs only one part takes that part.
struct Workspace : Pattern, View, Session {
  Workspace() = default;
};

// Puts the workspace into the empty state (the arrays are left alone).
void ResetWorkspace(Workspace& ws);

// Sets the drawing range from the loaded pattern (calc in simulation mode).
void AutoRange(Workspace& ws);

// Chooses xTick and yTick from the drawing range.
void ChooseTicks(Workspace& ws);

// Title after a load: "Difscop --- [File Name : <path>]  ", followed by the
// active pattern's name in the list where it was renamed.
void UpdateTitle(Workspace& ws);

// Title after Clear Pattern: "Difscop --- [File Name :] ".
void SetClearedTitle(Workspace& ws);

// Built-in names of the indexing programs' working files (the programs'
// own names come from the settings).
void SetIndexingProgramNames(Session& ws);

// The working files deleted at exit, in deletion order; relative names are
// resolved against startDirectory.
std::array<std::string, 11> WorkingFiles(const Session& ws);

// A relative working-file name resolved against startDirectory; full paths
// and empty names stay as they are.
std::string WorkingFilePath(const Session& ws, const std::string& name);

// Records that this run is about to write name (or start the program that
// writes it), with the state the file has now. The first claim of a path
// counts.
void ClaimWorkingFile(Session& ws, const std::string& name);

// Deletes each working file this run has claimed that is new or has changed
// since its claim. Called by the destructor.
void DeleteWorkingFiles(const Session& ws);

// The pattern list. Before the first AddPattern the list is empty and the
// workspace's Pattern part is the one pattern (counted when it holds points).
int PatternListSize(const Workspace& ws);
// Pattern i of the list (the workspace's own Pattern part when i is active).
const Pattern& PatternAt(const Workspace& ws, int i);
// Makes a pattern loaded before the list existed (the command line's, a
// test's) entry 0, named by its file name; nothing when the list is in use
// or no pattern is loaded.
void ListLoadedPattern(Workspace& ws);
// Appends an empty pattern in the next palette colour (palette.h) and makes
// it active, ready for a reader; ListLoadedPattern comes first. Returns the
// new index.
int AddPattern(Workspace& ws, const std::string& name);
// The same in the colour given.
int AddPattern(Workspace& ws, const std::string& name, Colour colour);
// Makes pattern i active; an index out of range changes nothing.
void Activate(Workspace& ws, int i);
// Removes pattern i. The active pattern stays active; when it is the one
// removed, the next (or the new last) becomes active.
void RemovePattern(Workspace& ws, int i);
// Moves pattern from to position to; the active pattern stays active.
void MovePattern(Workspace& ws, int from, int to);
// Closes every pattern: the list and the active pattern are emptied, the
// view and the runs reset, the title cleared.
void CloseAllPatterns(Workspace& ws);

// The observed intensity at x by linear interpolation between the points
// (ascending in x); the end points' values outside them, 0 for fewer than
// two points.
double ObservedAt(const Pattern& p, double x);

// d-spacing of a 2theta angle (degrees) for the given wavelength.
float DSpacing(float wavelength, float twoTheta);

}  // namespace difscop::workspace
