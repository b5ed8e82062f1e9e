// The eight File > Export Powder Formats commands.
#pragma once

#include <string_view>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::exporter {

struct PowderFormatInfo {
  int format;
  int commandId;
  const char* filter;
  const char* defaultExtension;
  const char* cliName;  // difscop-cli export --to NAME
};

// Indexed by format code.
extern const PowderFormatInfo kPowderFormats[8];

// The format of a command id or a command-line name; -1 when unknown.
int PowderFormatOfCommand(int commandId);
int PowderFormatOfName(std::string_view name);

// Not Raw Data check, data-type dialog, save dialog, write, outcome message.
void ExportPowderCommand(workspace::Workspace& ws, platform::Platform& platform, int format);

}  // namespace difscop::exporter
