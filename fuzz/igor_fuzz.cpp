// The Igor PAT reader over arbitrary bytes.
#include "import_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  difscop::fuzz::ReadFitted(difscop::import::kIgorPat, data, size);
  return 0;
}
