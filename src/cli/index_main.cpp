// difscop-index: the built-in indexing of `difscop-cli index`, a program of
// its own so that only it loads the indexing library. difscop-cli hands it
// the arguments that followed the subcommand's name. The window starts it
// with --search for its built-in indexing.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "indexing/search_program.h"
#include "textio/temporary_files.h"

int main(int argc, char** argv) {
  difscop::textio::RemoveTemporariesOnSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  // The window's built-in indexing: the request on standard input, the
  // progress and solutions on standard output.
  if (args.size() == 1 && args[0] == "--search") return difscop::indexing::ServeSearch(0, 1);
  return difscop::cli::RunIndex(args);
}
