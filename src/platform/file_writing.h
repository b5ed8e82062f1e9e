// Writing a file for a command: the atomic write, and on failure the
// command's fixed text with the file and the reason under it.
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/platform.h"

namespace difscop::platform {

// WriteFileAtomically; when it fails, shows message and, on a second line,
// "PATH: reason", and returns false.
bool WriteFileOrSay(Platform& platform, const std::filesystem::path& path,
                    std::string_view contents, std::string_view message);

}  // namespace difscop::platform
