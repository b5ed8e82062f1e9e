// Reading a file whole, safely: only a regular file is read (a FIFO or a
// device is refused without waiting on it), never more than a bound, a
// UTF-8 byte-order mark dropped and UTF-16 text refused.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "textio/file_kind.h"
#include "textio/line_reader.h"
#include "textio/prefault.h"

namespace difscop::textio {

namespace {

bool LooksLikeUtf16(std::string_view text) {
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') ||
                           (text[0] == '\xFE' && text[1] == '\xFF'))) {
    return true;
  }
  // Without a mark: printable ASCII with a zero byte beside each (a binary
  // header of small numbers is not text and is left to its reader).
  if (text.size() < 4) return false;
  auto ascii = [](char c) { return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n' || c == '\r'; };
  const bool little = ascii(text[0]) && text[1] == 0 && ascii(text[2]) && text[3] == 0;
  const bool big = text[0] == 0 && ascii(text[1]) && text[2] == 0 && ascii(text[3]);
  return little || big;
}

std::string SizeText(std::size_t bytes) {
  return bytes >= (1u << 20) ? std::to_string(bytes >> 20) + " MB"
                             : std::to_string(bytes) + " bytes";
}

}  // namespace

std::optional<std::string> ReadTextFile(const std::filesystem::path& path, std::size_t maxBytes,
                                        std::string* reason, bool* cut) {
  auto fail = [reason](const std::string& why) -> std::optional<std::string> {
    if (reason) *reason = why;
    return std::nullopt;
  };
  if (cut) *cut = false;
  // O_NONBLOCK: opening a FIFO without a writer must not wait for one.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail(NotRegularReason(st.st_mode));

  std::string text;
  const std::size_t expected =
      std::min<std::size_t>(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)), maxBytes) + 1;
  // A buffer this large is fresh memory: map it before the zero fill and
  // the read touch it page by page.
  text.reserve(expected);
  if (expected >= (std::size_t{64} << 10)) PrefaultForWrite(text.data(), expected);
  text.resize(expected);
  std::size_t got = 0;
  bool more = false;
  while (true) {
    // One byte beyond the bound tells a file that is longer from one that fits.
    if (got == text.size()) {
      if (got > maxBytes) {
        more = true;
        break;
      }
      text.resize(std::min(maxBytes + 1, std::max<std::size_t>(got * 2, 1 << 16)));
    }
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(std::strerror(errno));
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  text.resize(std::min(got, maxBytes));
  if (more) {
    if (!cut) return fail("larger than " + SizeText(maxBytes));
    // Only whole lines: a cut inside a line would give a wrong last number.
    const std::size_t end = text.find_last_of("\r\n");
    text.resize(end == std::string::npos ? 0 : end + 1);
    *cut = true;
  }
  if (LooksLikeUtf16(text)) return fail("UTF-16 text; save it as UTF-8 or plain ASCII");
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  return text;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string* reason) {
  return ReadTextFile(path, kMaxWholeFileBytes, reason);
}

}  // namespace difscop::textio
