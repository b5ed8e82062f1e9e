// The xylib reader over arbitrary bytes.
#include "import_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  difscop::fuzz::ReadRaw(difscop::import::kXylib, data, size);
  return 0;
}
