// The xylib reader over arbitrary bytes: through difscop-xylib, as the
// program reads, so whatever the library does with them (xylib itself is
// not ours to mend) must come back as a read or a refusal.
#include "import_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  difscop::fuzz::ReadRaw(difscop::import::kXylib, data, size);
  return 0;
}
