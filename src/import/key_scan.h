// Scanning the keyed lines of CIF-like files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "textio/line_reader.h"

namespace difscop::import {

// Reads lines from the current position until one begins with key and
// returns it. At the end of the text shows "<key> not found !!!" and returns
// "-1" (callers compare with "-1").
std::string FindKeyLine(textio::LineReader& in, platform::Platform& platform, std::string_view key);

// The number of a keyed line: the text one character after the key, cut at a
// "(" standing after its first character (a standard uncertainty), read as
// "%f". nullopt when no number can be read there.
std::optional<float> ParseKeyValue(std::string_view line, std::string_view key);

// The same, 0 when nothing can be read.
float ReadKeyValue(std::string_view line, std::string_view key);

}  // namespace difscop::import
