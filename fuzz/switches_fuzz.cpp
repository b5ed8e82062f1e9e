// The program's start switches over arguments cut from the input at NUL
// bytes: any argument list gives one start option and a file name made of
// the arguments' own text.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "argument_list.h"

#include "app/commands/command_line.h"
#include "workspace/workspace.h"

using namespace difscop;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> args = fuzz::ArgumentList(data, size);
  static auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  // A reset keeps the open file's name; the program parses its switches once,
  // into a workspace that has none yet.
  ws->dataFilePath.clear();
  commands::ParseCommandLine(*ws, "/opt/x-ray/bin/difscop", args);
  if (ws->dataFilePath.size() > size) __builtin_trap();
  commands::InformationRequested(args);
  return 0;
}
