#include "textio/prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace difscop::textio {

void PrefaultForWrite(void* data, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t from = (start + page - 1) & ~(page - 1);
  const std::uintptr_t to = (start + bytes) & ~(page - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace difscop::textio
