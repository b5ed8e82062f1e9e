#include "textio/text_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "textio/printf_format.h"

namespace difscop::textio {

std::string Format(const char* format, ...) {
  std::string out;
  va_list args;
  va_start(args, format);
  AppendFormatV(out, format, args);
  va_end(args);
  return out;
}

void TextWriter::Line(std::string_view text) {
  buffer_.append(text);
  buffer_.append("\r\n");
}

void TextWriter::LineF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(buffer_, format, args);
  va_end(args);
  buffer_.append("\r\n");
}

void TextWriter::Fixed(double value, int width, int precision) {
  AppendFixed(buffer_, value, width, precision);
}

void TextWriter::RawF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatV(buffer_, format, args);
  va_end(args);
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  std::string tmpl = path.string() + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return fail(std::string("cannot create ") + name.data() + ": " + std::strerror(errno));
  const char* p = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      std::string why = std::strerror(errno);
      ::close(fd);
      ::unlink(name.data());
      return fail("cannot write " + path.string() + ": " + why);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  // Keep the permissions of the file being replaced; a new file gets the
  // ordinary ones rather than mkstemp's private 0600.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    std::string why = std::strerror(errno);
    ::unlink(name.data());
    return fail("cannot write " + path.string() + ": " + why);
  }
  if (std::rename(name.data(), path.c_str()) != 0) {
    std::string why = std::strerror(errno);
    ::unlink(name.data());
    return fail("cannot replace " + path.string() + ": " + why);
  }
  return true;
}

}  // namespace difscop::textio
