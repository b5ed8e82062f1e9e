// difscop-xylib identify|read PATH: reads the file's bytes from standard
// input with xylib and writes what it found (EncodeXylibRead) on standard
// output. The program runs it for every format it leaves to xylib, so that
// a crash or hang inside the library ends this process only. PATH names the
// file for the formats that look at its extension.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "import/xylib_read.h"

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "identify") != 0 && std::strcmp(argv[1], "read") != 0)) {
    std::fprintf(stderr, "usage: difscop-xylib identify|read PATH < FILE\n");
    return 2;
  }
  std::string bytes;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(0, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::fprintf(stderr, "difscop-xylib: %s\n", std::strerror(errno));
      return 1;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  const bool identifyOnly = std::strcmp(argv[1], "identify") == 0;
  const std::string out = difscop::import::EncodeXylibRead(
      difscop::import::ReadWithXylib(bytes, argv[2], identifyOnly));
  const bool written =
      std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0;
  // Done: a sanitizer build's leak check at exit (xylib leaks on its error
  // paths) cannot turn a finished read into a failed one.
  std::_Exit(written ? 0 : 1);
}
