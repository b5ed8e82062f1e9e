// Option reading shared by the processing subcommands of difscop-cli.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::cli {

// Splits args into positional words and "--name value..." options, where
// arity gives how many values each known option takes. Unknown options or
// missing values: a message on stderr and nullopt.
struct ParsedOptions {
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>> options;
  bool Has(const std::string& name) const { return options.count(name) != 0; }
  const std::string& Value(const std::string& name, std::size_t i = 0) const {
    return options.at(name).at(i);
  }
};
std::optional<ParsedOptions> ParseOptions(const std::vector<std::string>& args,
                                          const std::map<std::string, int>& arity);

// Value i of an option as a whole-text number; a message on stderr naming
// the option when it is not one.
bool OptionNumber(const ParsedOptions& parsed, const std::string& name, std::size_t i,
                  double& value);

// The Peak Search dialog as --threshold T and --diff D fill it (the
// workspace's values where not given); nullopt, with a message, when T or D
// is not a whole number.
std::optional<platform::PeakSearchDialog> PeakSearchOptions(const ParsedOptions& parsed,
                                                            const workspace::Workspace& ws);

// --wavelength W, the wavelength given to a reader that asks for one (the
// neutron wavelength); false, with a message, when W is not a number.
bool WavelengthOption(const ParsedOptions& parsed, std::optional<float>& wavelength);

}  // namespace difscop::cli
