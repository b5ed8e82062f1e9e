// The Rigaku ASC and RAS reader over arbitrary bytes.
#include "import_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  difscop::fuzz::ReadRaw(difscop::import::kRigakuAsciiRas, data, size);
  return 0;
}
