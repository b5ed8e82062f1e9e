// Mapping fresh memory ahead of writing it. A large new buffer (a file's
// bytes, a point table) comes as untouched pages, and filling it page by
// page faults each in on its own, which can cost more than the work that
// fills it; one call maps them all. Only a hint: what the memory holds is
// not changed, and where the call fails the pages fault in as before.
#pragma once

#include <cstddef>

namespace difscop::textio {

// Maps the whole pages within [data, data + bytes) for writing.
void PrefaultForWrite(void* data, std::size_t bytes);

}  // namespace difscop::textio
