// difscop-cli: the program's command flows driven from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "textio/temporary_files.h"

namespace {

struct Subcommand {
  const char* name;
  int (*run)(const std::vector<std::string>& args);
  const char* usage;
};

// One row per subcommand.
const Subcommand kSubcommands[] = {
    {"info", difscop::cli::RunInfo, "info FORMAT FILE [--wavelength W]"},
    {"export", difscop::cli::RunExport,
     "export FORMAT FILE --to rietan|rietan-general|gsas|fullprof|rietica|dbw|powderx|xy "
     "--data-type 0..3 [--smooth N] --out PATH [--wavelength W]"},
#ifdef DIFSCOP_CLI_RENDER
    {"render", difscop::cli::StartRender,
     "render FORMAT FILE --out PATH.png|.bmp|.emf|.smp [--size WxH] [--mono] "
     "[--range XMIN XMAX YMIN YMAX]\n"
     "      [--wavelength W] [--phase CIF [--block NAME]]... [--neutron] [--profile FWHM]"},
#endif
    {"smooth", difscop::cli::RunSmooth, "smooth FORMAT FILE --points N --out PATH"},
    {"peaks", difscop::cli::RunPeaks,
     "peaks FORMAT FILE [--threshold T] [--diff D] [--ka2 yes|no] [--range XMIN XMAX]\n"
     "      [--ka1 W --ka2-wavelength W --ratio R --wavelength-tolerance E "
     "--intensity-tolerance E] [--wavelength W]"},
    {"background", difscop::cli::RunBackground,
     "background FORMAT FILE --points \"x1,y1 x2,y2 ...\" --out-dir DIR"},
    {"index", difscop::cli::StartIndex,
     "index FORMAT FILE [peak-search options as for peaks | --manual \"2theta1 ...\"]\n"
     "      [--lines N] [--spurious N] [--systems cubic,tetragonal,...] [--zero-shift]\n"
     "      [--solution K] [--cellref PATH] [--wavelength W]"},
    {"index-input", difscop::cli::RunIndexInput,
     "index-input ito|treor|dicvol|cell FORMAT FILE --out-dir DIR\n"
     "      [--threshold T --diff D --ka2 yes|no --range XMIN XMAX | --manual \"2theta1 ...\"]\n"
     "      [--wavelength W]"},
    {"cellref", difscop::cli::RunCellRef,
     "cellref treor|ito LISTING --out PATH [--solution N] [--peaks FILE] [--wavelength W]"},
    {"cell-solutions", difscop::cli::RunCellSolutions, "cell-solutions OUTPUT.TXT"},
    {"phase", difscop::cli::StartPhase,
     "phase CIF [--block NAME] --wavelength W [--neutron] [--range A B] [--monochromator ANGLE]\n"
     "      [--json]"},
};

void Usage() {
  std::fprintf(stderr, "usage: difscop-cli SUBCOMMAND ...\n");
  for (const Subcommand& s : kSubcommands) std::fprintf(stderr, "  difscop-cli %s\n", s.usage);
  std::fprintf(stderr,
               "FORMAT: rint mac rad hermes xy int sim rigaku gsas xylib (measured) | igor cif prf "
               "(fitted) | auto (by content)\n");
}

}  // namespace

int main(int argc, char** argv) {
  // A file half written when the user interrupts leaves no temporary behind.
  difscop::textio::RemoveTemporariesOnSignals();
  if (argc < 2) {
    Usage();
    return 2;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const Subcommand& s : kSubcommands) {
    if (std::strcmp(argv[1], s.name) == 0) return s.run(args);
  }
  Usage();
  return 2;
}
