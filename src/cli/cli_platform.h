// The platform of difscop-cli: answers come from queues filled from the
// command line (as in tests), messages go to stderr as they are shown.
#pragma once

#include <optional>
#include <string>

#include "platform/scripted_platform.h"

namespace difscop::cli {

class CliPlatform : public platform::ScriptedPlatform {
 public:
  void ShowMessage(const std::string& text) override;
  // Confirms the neutron wavelength dialog with neutronWavelength when given,
  // otherwise with the value it was opened with.
  bool EditNeutronWavelength(platform::NeutronWavelengthDialog& dialog) override;

  std::optional<std::string> neutronWavelength;
};

}  // namespace difscop::cli
