// The one way this program writes a file: through links to the file they
// name, never onto anything but a regular file the user may write, into a
// temporary file beside the target that is renamed over it once every byte
// is on disk.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "textio/file_kind.h"
#include "textio/text_writer.h"

namespace difscop::textio {
namespace fs = std::filesystem;

namespace {

// Writable for this user, and not write-protected by its owner: root may
// write anything, but a file or directory whose owner took the write bit
// away is left alone for root as well, as rm asks before removing one.
bool MayWrite(const char* path, const struct stat& st) {
  return ::access(path, W_OK) == 0 && (st.st_mode & S_IWUSR) != 0;
}

// Follows path through symbolic links to the file a write lands on. The
// last name need not exist (a new file, or the target of a dangling link).
// Like the kernel, it follows at most 40 links.
bool ResolveTarget(fs::path path, fs::path& target, std::string& why) {
  for (int hops = 0; hops <= 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        why = std::strerror(errno);
        return false;
      }
      target = path;
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      target = path;
      return true;
    }
    std::vector<char> link(PATH_MAX + 1);
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size() - 1);
    if (n < 0) {
      why = std::strerror(errno);
      return false;
    }
    const fs::path next(std::string(link.data(), static_cast<std::size_t>(n)));
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  why = std::strerror(ELOOP);
  return false;
}

// What stops a write to target (already resolved), or empty.
std::string RefusalFor(const fs::path& target, const fs::path& directory) {
  if (target.filename().empty()) return "no file name";
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return NotRegularReason(st.st_mode);
    if (!MayWrite(target.c_str(), st)) return "the file is write-protected";
  } else if (errno != ENOENT) {
    return std::strerror(errno);
  }
  struct stat dir {};
  if (::stat(directory.c_str(), &dir) != 0) return std::strerror(errno);
  if (!S_ISDIR(dir.st_mode)) return std::strerror(ENOTDIR);
  if (!MayWrite(directory.c_str(), dir)) return "its directory is write-protected";
  return {};
}

// A temporary name in directory for target: hidden, and within the
// system's name length however long the target's own name is.
std::string TemporaryTemplate(const fs::path& target, const fs::path& directory) {
  long nameMax = ::pathconf(directory.c_str(), _PC_NAME_MAX);
  if (nameMax <= 0) nameMax = NAME_MAX;
  constexpr std::string_view kSuffix = ".XXXXXX";
  const std::size_t room = static_cast<std::size_t>(nameMax) - kSuffix.size() - 1;
  const std::string name = target.filename().string();
  return (directory / ("." + name.substr(0, room) + std::string(kSuffix))).string();
}

bool WriteAll(int fd, std::string_view contents) {
  const char* p = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// The new file takes over the permissions and owner of the one it replaces;
// a new file gets the ordinary ones rather than mkstemp's private 0600.
void CopyAttributes(int fd, const fs::path& target) {
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Only root may give a file away; the new file stays the writer's.
    }
    return;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
}

void SyncDirectory(const fs::path& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool WriteFileAtomically(const fs::path& path, std::string_view contents, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = path.string() + ": " + why;
    return false;
  };
  if (path.empty()) return fail("no file name");
  fs::path target;
  std::string why;
  if (!ResolveTarget(path, target, why)) return fail(why);
  const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
  why = RefusalFor(target, directory);
  if (!why.empty()) return fail(why);

  std::string tmpl = TemporaryTemplate(target, directory);
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return fail(std::strerror(errno));
  auto discard = [&](int code) {
    ::unlink(name.data());
    return fail(std::strerror(code));
  };
  if (!WriteAll(fd, contents)) {
    const int code = errno;
    ::close(fd);
    return discard(code);
  }
  CopyAttributes(fd, target);
  if (::fsync(fd) != 0) {
    const int code = errno;
    ::close(fd);
    return discard(code);
  }
  if (::close(fd) != 0) return discard(errno);
  if (std::rename(name.data(), target.c_str()) != 0) return discard(errno);
  SyncDirectory(directory);
  return true;
}

}  // namespace difscop::textio
