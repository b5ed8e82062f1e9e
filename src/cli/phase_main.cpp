// difscop-phase: the structure reflections of `difscop-cli phase`, a program
// of its own so that only it loads the structure libraries (cctbx's tables
// cost every start of difscop-cli a few milliseconds otherwise).
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return difscop::cli::RunPhase(args);
}
