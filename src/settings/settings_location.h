// Where Difscop.ini lives: in the start directory when it holds one (a
// working directory set up for the program), otherwise in the user's
// configuration directory, where the installed default is copied on the
// first start. Whatever is read is written back to the same file.
#pragma once

#include <filesystem>
#include <string>

namespace difscop::settings {

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config; empty
// when neither is known.
std::filesystem::path UserConfigDirectory();

// The settings file to read and write back: startDirectory/Difscop.ini when
// it exists, else <config>/difscop/Difscop.ini, created from
// dataDirectory/Difscop.ini when it is missing. Without a configuration
// directory the start directory's name is given (its absence is reported by
// the reader).
std::filesystem::path LocateSettingsFile(const std::string& startDirectory,
                                         const std::string& dataDirectory,
                                         const std::filesystem::path& configDirectory);

// The same with the user's configuration directory.
std::filesystem::path LocateSettingsFile(const std::string& startDirectory,
                                         const std::string& dataDirectory);

}  // namespace difscop::settings
