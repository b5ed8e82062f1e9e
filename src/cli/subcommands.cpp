#include "cli/subcommands.h"

#include <cstdio>

namespace difscop::cli {
namespace {

// Options that several subcommands share.
const OptionSpec kWavelength{"--wavelength", "W", 1,
                             "the wavelength in angstrom for a file that does not give one"};
const OptionSpec kJobs{"-j", "N", 1,
                       "how many files are worked on at once (default: the number of cores)"};
const OptionSpec kJson{"--json", "", 0, "one JSON document per file on stdout (JSON Lines)"};
const OptionSpec kOutDir{"--out-dir", "DIR", 1,
                         "write each file's output into DIR, named after the file"};

const std::vector<OptionSpec> kPeakSearch = {
    {"--threshold", "T", 1, "peak search threshold, as in the Peak Search dialog"
                            " (peaks: default from the noise)"},
    {"--diff", "D", 1, "peak search difference, as in the Peak Search dialog"},
    {"--ka2", "yes|no", 1, "remove the Ka2 companions of the peaks found (index: yes)"},
    {"--range", "XMIN XMAX", 2, "search from XMIN to XMAX degrees only"},
};
const std::vector<OptionSpec> kXraySource = {
    {"--ka1", "W", 1, "Ka1 wavelength of the Ka2 test"},
    {"--ka2-wavelength", "W", 1, "Ka2 wavelength of the Ka2 test"},
    {"--ratio", "R", 1, "Ka2/Ka1 intensity ratio"},
    {"--wavelength-tolerance", "E", 1, "wavelength tolerance of the Ka2 test"},
    {"--intensity-tolerance", "E", 1, "intensity tolerance of the Ka2 test"},
};

// The source of a fit or of Ka2 stripping.
const std::vector<OptionSpec> kFitSource = {
    {"--ka1", "W", 1, "Ka1 wavelength (default Cu, 1.540593)"},
    {"--ka2-wavelength", "W", 1, "Ka2 wavelength (default Cu, 1.54441)"},
    {"--ratio", "R", 1, "Ka2/Ka1 intensity ratio (default 0.5)"},
};
const OptionSpec kSnipWindow{"--window", "W", 1,
                             "the automatic background's window in degrees (default 1.5)"};

std::vector<OptionSpec> Join(std::initializer_list<std::vector<OptionSpec>> parts) {
  std::vector<OptionSpec> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<SubcommandSpec> MakeTable() {
  std::vector<SubcommandSpec> t;
  t.push_back({"info", "FORMAT FILE...", 1,
               "Load each pattern as the program would and print what it holds.",
               {kWavelength, kJson, kJobs},
               BatchOutput::None,
               true});
  t.push_back({"export", "FORMAT FILE...", 1,
               "Write each measured pattern in a refinement program's layout.",
               {{"--to", "rietan|rietan-general|gsas|fullprof|rietica|dbw|powderx|xy", 1,
                 "the layout written (required)"},
                {"--data-type", "0..3", 1, "the Data Type dialog's choice (required)"},
                {"--smooth", "N", 1, "smooth over N points first"},
                {"--out", "PATH", 1, "the file written (or --out-dir)"},
                kOutDir, kWavelength, kJobs},
               BatchOutput::File});
  t.push_back({"render", "FORMAT FILE...", 1,
               "Draw the patterns as the window shows them into a picture file: several files "
               "with --out in one picture, with --out-dir one picture each.",
               {{"--out", "PATH.png|.svg|.pdf|.bmp|.emf|.smp", 1,
                 "the picture written, its kind from the extension (or --out-dir)"},
                {"--view", "overlay|stack|map", 1,
                 "several patterns over each other (default), stacked, or a map of one row each"},
                {"--x", "2theta|d|q", 1, "the x axis: degrees, d in Angstrom or Q in 1/Angstrom"},
                {"--y", "linear|sqrt|log", 1, "the intensity scale"},
                kOutDir,
                {"--out-type", "png|svg|pdf|bmp|emf|smp", 1,
                 "the kind of picture written into --out-dir (default: png)"},
                {"--size", "WxH", 1, "the plot's size in pixels (default: 700x480)"},
                {"--dpi", "N", 1, "how finely PNG, SVG and PDF pictures are drawn (96: screen)"},
                {"--mono", "", 0, "black and white"},
                {"--scheme", "paper|screen", 1,
                 "PNG, SVG and PDF colours: paper (white, the default) or the window's"},
                {"--range", "XMIN XMAX YMIN YMAX", 4, "the range drawn, x in the unit shown"},
                {"--wavelength", "W", 1,
                 "the wavelength in angstrom for a file that does not give one and for --phase"},
                {"--phase", "CIF", 1, "draw the reflections of this crystal structure (repeatable)"},
                {"--block", "NAME", 1, "the data block of the --phase CIF just before"},
                {"--neutron", "", 0, "the --phase reflections for neutrons"},
                {"--profile", "FWHM", 1,
                 "each --phase profile with this FWHM (degrees), scaled to the pattern"},
                kJobs},
               BatchOutput::File,
               false,
               true});
  t.push_back({"smooth", "FORMAT FILE...", 1,
               "Smooth each measured pattern and write the smoothed (x,y) points.",
               {{"--points", "N", 1, "the smoothing window (required)"},
                {"--out", "PATH", 1, "the file written (or --out-dir)"},
                kOutDir, kJobs},
               BatchOutput::File});
  t.push_back({"peaks", "FORMAT FILE...", 1,
               "Search the peaks of each pattern and print the peak list.",
               Join({kPeakSearch, kXraySource, {kWavelength, kJson, kJobs}}),
               BatchOutput::None,
               true});
  t.push_back({"background", "FORMAT FILE...", 1,
               "Subtract the background through the given points, or the automatic (SNIP) one;\n"
               "write BkG.txt and the data.",
               {{"--points", "\"x1,y1 x2,y2 ...\"", 1, "the background points (or --auto)"},
                {"--auto", "", 0, "the automatic background instead (SNIP)"},
                kSnipWindow,
                {"--out-dir", "DIR", 1, "where the files go (required; DIR/NAME for several)"},
                kJobs},
               BatchOutput::Directory});
  t.push_back({"fit", "FORMAT FILE...", 1,
               "Fit the profiles of the peaks the automatic search finds; print one row per peak:\n"
               "twoTheta esd d esd height esd fwhm esd area esd size esd.",
               Join({{{"--range", "A B", 2, "fit the peaks from A to B degrees only"},
                      {"--shape", "pv|pvii", 1, "pseudo-Voigt (default) or Pearson VII"},
                      {"--split", "", 0, "a width and shape of its own on either side"},
                      {"--asym", "", 0,
                       "axial-divergence asymmetry (Berar-Baldinozzi), one for the whole fit"},
                      {"--no-ka2", "", 0, "single lines, no Ka1/Ka2 doublets"},
                      {"--k", "K", 1, "the Scherrer constant (default 0.9)"},
                      {"--instrument", "U V W", 3,
                       "the instrument's FWHM^2 = U tan^2 + V tan + W, removed before sizes"},
                      {"--standard", "", 0, "print the U V W this pattern (a standard) gives"}},
                     kFitSource, {kJson, kJobs}}),
               BatchOutput::None,
               true});
  t.push_back({"strip-ka2", "FORMAT FILE...", 1,
               "Remove the Ka2 part of each measured profile (Rachinger); write the (x,y) points.",
               Join({{{"--out", "PATH", 1, "the file written (or --out-dir)"},
                      kOutDir,
                      kSnipWindow,
                      {"--whole", "", 0, "strip the whole intensity, background included"}},
                     kFitSource, {kJobs}}),
               BatchOutput::File});
  t.push_back({"index", "FORMAT FILE...", 1,
               "Index each pattern's peak list and refine the cell of a solution.",
               Join({kPeakSearch, kXraySource,
                     {{"--manual", "\"2theta1 2theta2 ...\"", 1,
                       "index these angles instead of searching peaks"},
                      {"--lines", "N", 1, "how many lines are indexed"},
                      {"--spurious", "N", 1, "how many lines may stay unindexed (0 to 5)"},
                      {"--systems", "cubic,tetragonal,hexagonal,rhombohedral,orthorhombic,"
                                    "monoclinic,triclinic", 1, "the crystal systems tried"},
                      {"--tolerance", "DEG", 1,
                       "how far in 2theta a line may lie from its reflection"
                       " (default: two steps of the pattern, 0.03 to 0.1)"},
                      {"--zero-range", "DEG", 1,
                       "zero offsets searched and refined within +-DEG (default 0.3; 0: none)"},
                      {"--zero-shift", "", 0, "refine a zero shift too (the default)"},
                      {"--displacement", "", 0, "refine a sample displacement (cos theta) too"},
                      {"--max-edge", "A", 1, "the longest cell edge searched (default: from the lines)"},
                      {"--volume", "MIN MAX", 2, "the cell volumes searched (default: from the lines)"},
                      {"--threads", "N", 1, "searches run at once (default: one per core)"},
                      {"--solution", "K", 1, "refine solution K (default: the best)"},
                      {"--cellref", "PATH", 1, "write the CellRef input of the refined cell"},
                      {"--out-dir", "DIR", 1, "write each file's CellRef input into DIR"},
                      kWavelength, kJson, kJobs}}),
               BatchOutput::CellRef,
               true});
  t.push_back({"index-input", "ito|treor|dicvol|cell FORMAT FILE...", 2,
               "Write the input file of an indexing program from each pattern's peaks.",
               Join({{{"--out-dir", "DIR", 1, "where the file goes (required; DIR/NAME for several)"}},
                     kPeakSearch,
                     {{"--manual", "\"2theta1 2theta2 ...\"", 1, "these angles instead of a search"},
                      kWavelength, kJobs}}),
               BatchOutput::Directory});
  t.push_back({"cellref", "treor|ito LISTING", -1,
               "Write the CellRef input of a solution in a Treor or Ito listing.",
               {{"--out", "PATH", 1, "the file written (required)"},
                {"--solution", "N", 1, "the solution taken"},
                {"--peaks", "FILE", 1, "snap the lines to this peak list file"},
                kWavelength}});
  t.push_back({"cell-solutions", "OUTPUT.TXT", -1, "List the solutions of Cell's output.", {}});
  t.push_back({"phase", "CIF...", 0,
               "List the powder reflections of each crystal structure CIF.",
               {{"--wavelength", "W", 1, "the wavelength in angstrom (required)"},
                {"--block", "NAME", 1, "the data block (default: the first with atom sites)"},
                {"--neutron", "", 0, "neutron scattering lengths instead of X-ray form factors"},
                {"--range", "A B", 2, "2theta from A to B degrees only (default: 0 180)"},
                {"--monochromator", "ANGLE", 1,
                 "2theta of the monochromator's reflection for the polarisation factor"},
                kJson, kJobs},
               BatchOutput::None,
               true});
  return t;
}

void AppendOptionLines(std::string& text, const std::vector<OptionSpec>& options) {
  for (const OptionSpec& o : options) {
    std::string head = std::string("  ") + o.name;
    if (*o.value) head += std::string(" ") + o.value;
    if (head.size() < 27) {
      head.resize(28, ' ');
    } else {
      head += "\n" + std::string(28, ' ');
    }
    text += head + o.help + "\n";
  }
}

std::string Synopsis(const SubcommandSpec& s) {
  std::string line = std::string("difscop-cli ") + s.name + " " + s.words;
  for (const OptionSpec& o : s.options) {
    const std::string help = o.help;
    if (help.find("(required") == std::string::npos && help.find("(or --out-dir") == std::string::npos)
      continue;
    line += std::string(" ") + o.name + (*o.value ? std::string(" ") + o.value : "");
  }
  if (!s.options.empty()) line += " [options]";
  return line;
}

}  // namespace

const char* const kVersion = DIFSCOP_VERSION;

const char* const kFormatNames =
    "rint mac rad hermes xy int sim rigaku gsas xylib free columns (measured) | igor cif prf "
    "(fitted) | "
    "auto (by content)";

const std::vector<SubcommandSpec>& Subcommands() {
  static const std::vector<SubcommandSpec> table = MakeTable();
  return table;
}

const SubcommandSpec* FindSubcommand(std::string_view name) {
  for (const SubcommandSpec& s : Subcommands()) {
    if (name == s.name) return &s;
  }
  return nullptr;
}

const OptionSpec* FindOption(const SubcommandSpec& spec, std::string_view name) {
  for (const OptionSpec& o : spec.options) {
    if (name == o.name) return &o;
  }
  return nullptr;
}

std::string UsageText(const SubcommandSpec& s) {
  std::string text = "usage: " + Synopsis(s) + "\n" + s.summary + "\n";
  if (s.leadingWords >= 0) {
    text += "Several files are worked on in parallel; their results come in the order given.\n";
  }
  if (!s.options.empty()) {
    text += "options:\n";
    AppendOptionLines(text, s.options);
  }
  if (std::string(s.words).find("FORMAT") != std::string::npos)
    text += std::string("FORMAT: ") + kFormatNames + "\n";
  return text;
}

std::string ProgramUsage() {
  std::string text = "usage: difscop-cli SUBCOMMAND ...\n";
  for (const SubcommandSpec& s : Subcommands()) text += "  " + Synopsis(s) + "\n";
  text += std::string("FORMAT: ") + kFormatNames + "\n";
  text +=
      "difscop-cli SUBCOMMAND --help shows a subcommand's options.\n"
      "  --help, -h    this text\n"
      "  --version     the version\n"
      "Exit status: 0 done, 1 an input or processing failure (with several files: any of them),\n"
      "2 a usage error.\n";
  return text;
}

int UsageError(std::string_view name) {
  const SubcommandSpec* spec = FindSubcommand(name);
  if (!spec) {
    std::fputs(ProgramUsage().c_str(), stderr);
    return 2;
  }
  std::fprintf(stderr, "usage: %s\nTry 'difscop-cli %s --help' for its options.\n",
               Synopsis(*spec).c_str(), spec->name);
  return 2;
}

}  // namespace difscop::cli
