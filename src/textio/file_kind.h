// What a path is when it is not a regular file, in the words of a refusal.
#pragma once

#include <sys/stat.h>

#include <string>

namespace difscop::textio {

// "not a regular file (a FIFO)" and the like.
inline std::string NotRegularReason(mode_t mode) {
  const char* kind = S_ISDIR(mode)    ? "a directory"
                     : S_ISFIFO(mode) ? "a FIFO"
                     : S_ISCHR(mode)  ? "a character device"
                     : S_ISBLK(mode)  ? "a block device"
                     : S_ISSOCK(mode) ? "a socket"
                                      : "a special file";
  return std::string("not a regular file (") + kind + ")";
}

}  // namespace difscop::textio
