// Option reading shared by the processing subcommands of difscop-cli.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
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

// text as a finite number in the C locale (textio::ParseFiniteNumber); a
// message on stderr naming the option when it is not one.
bool CliNumber(const std::string& option, const std::string& text, double& value);

// Value i of an option through CliNumber.
bool OptionNumber(const ParsedOptions& parsed, const std::string& name, std::size_t i,
                  double& value);

// The list options' values, each whole or refused (false, nothing kept):
// "x1,y1 x2,y2 ..." of --points; "WxH" of --size, 16 to 16384 each way;
// the blank-separated angles of --manual. Every number is finite.
bool ParsePointList(const std::string& text, std::vector<std::pair<float, float>>& points);
bool ParseSizeText(const std::string& text, int& width, int& height);
bool ParseNumberList(const std::string& text, std::vector<float>& numbers);

// The Peak Search dialog as --threshold T and --diff D fill it (the
// workspace's values where not given); with automaticByDefault, closed with
// "Auto" when no T is given. nullopt, with a message, when T or D is not a
// whole number.
std::optional<platform::PeakSearchDialog> PeakSearchOptions(const ParsedOptions& parsed,
                                                            const workspace::Workspace& ws,
                                                            bool automaticByDefault = false);

// --window W (degrees) of the SNIP background, kDefaultSnipWindow when not
// given; false, with a message, when W is not a number above 0.
bool SnipWindowOption(const ParsedOptions& parsed, double& window);

// Writes a subcommand's output file whole (or leaves what was there);
// false, with the message on stderr, when it cannot.
bool WriteOutputFile(const std::string& path, const std::string& contents);

// --wavelength W, the wavelength given to a reader that asks for one (the
// neutron wavelength); false, with a message, when W is not a number.
bool WavelengthOption(const ParsedOptions& parsed, std::optional<float>& wavelength);

}  // namespace difscop::cli
