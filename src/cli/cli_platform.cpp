#include "cli/cli_platform.h"

#include <cstdio>

namespace difscop::cli {

void CliPlatform::ShowMessage(const std::string& text) {
  ScriptedPlatform::ShowMessage(text);
  std::fprintf(stderr, "%s\n", text.c_str());
}

bool CliPlatform::EditNeutronWavelength(platform::NeutronWavelengthDialog& dialog) {
  neutronWavelengthShown.push_back(dialog.wavelengthText);
  if (neutronWavelength) dialog.wavelengthText = *neutronWavelength;
  return true;
}

}  // namespace difscop::cli
