// difscop-index: the built-in indexing of `difscop-cli index`, a program of
// its own so that only it loads the indexing library. difscop-cli hands it
// the arguments that followed the subcommand's name.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "textio/temporary_files.h"

int main(int argc, char** argv) {
  difscop::textio::RemoveTemporariesOnSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return difscop::cli::RunIndex(args);
}
