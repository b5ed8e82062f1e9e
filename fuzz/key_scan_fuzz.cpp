// The keyed-line scanners: the first line of the input is the key, the rest
// the text searched.
#include <cstddef>
#include <cstdint>
#include <string>

#include "import/key_scan.h"
#include "platform/scripted_platform.h"
#include "textio/line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string key = input.substr(0, newline == std::string::npos ? 0 : newline);
  difscop::textio::LineReader in(newline == std::string::npos ? input : input.substr(newline + 1));
  difscop::platform::ScriptedPlatform platform;
  for (;;) {
    const std::string line = difscop::import::FindKeyLine(in, platform, key);
    if (line == "-1") break;
    (void)difscop::import::ReadKeyValue(line, key);
  }
  return 0;
}
