// xylib's formats read in this process, and the text that carries such a
// read from difscop-xylib back to the program. Only difscop-xylib reads in
// process: a crash or hang inside the library must end that helper, never
// the window or the command line (ReadXylib and XylibRecognises start it).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace difscop::import {

struct XylibRead {
  std::string format;  // xylib's name of the format; empty: none recognises the bytes
  std::string error;   // why the format's reader failed; empty when it read
  int blocks = 0;
  // The first block's x and y, at most one point past the workspace's capacity.
  std::vector<std::pair<double, double>> points;
};

// The xylib format of the bytes: one whose check recognises the content, else
// one of the formats named by the path's extension whose check accepts it;
// nullptr when none. Plain text columns are left to the (x,y) reader.
const char* XylibFormatFor(std::string_view bytes, const std::string& path);

// Which format, and unless identifyOnly, what it reads.
XylibRead ReadWithXylib(std::string_view bytes, const std::string& path, bool identifyOnly);

// One "key value" line each, the points as "p x y", then "end": a read whose
// text lacks the end line did not finish.
std::string EncodeXylibRead(const XylibRead& read);
std::optional<XylibRead> DecodeXylibRead(std::string_view text);

}  // namespace difscop::import
