// The one way this program writes a file: through links to the file they
// name (but not through a link another user planted in a shared directory),
// never onto anything but a regular file the user may write, into an unnamed
// file in the target's directory that gets a name only once every byte is on
// disk and is then renamed over the target.
#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "textio/file_kind.h"
#include "textio/temporary_files.h"
#include "textio/text_writer.h"

namespace difscop::textio {
namespace fs = std::filesystem;

namespace {

// The kernel's limit on links followed in one path.
constexpr int kMaxLinks = 40;

// Read once, while the process has a single thread: reading it means setting
// it, which would race with a write on another thread.
mode_t ReadUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}
const mode_t kUmask = ReadUmask();

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  ~Descriptor() { Reset(); }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// Where a write lands: the directory holding the file, opened along a path
// whose every link was checked, and the file's name in it.
struct Landing {
  Descriptor directory;
  std::string name;
};

// Writable for this user, and not write-protected by its owner: root may
// write anything, but a file or directory whose owner took the write bit
// away is left alone for root as well, as rm asks before removing one.
bool MayWrite(int directory, const char* name, const struct stat& st) {
  return ::faccessat(directory, name, W_OK, 0) == 0 && (st.st_mode & S_IWUSR) != 0;
}

// The rule of the kernel's protected links, applied whatever the kernel is
// set to: in a sticky directory anyone may write to, a link is followed only
// when it belongs to the user or to the directory's owner.
bool PlantedLink(int directory, const struct stat& link) {
  struct stat dir {};
  if (::fstat(directory, &dir) != 0) return false;
  const bool shared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
  return shared && link.st_uid != ::geteuid() && link.st_uid != dir.st_uid;
}

// Splits text at '/' onto pending so that its first component is at the back.
void PushComponents(const std::string& text, std::vector<std::string>& pending) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t slash = text.find('/', start);
    if (slash == std::string::npos) slash = text.size();
    if (slash > start) parts.push_back(text.substr(start, slash - start));
    start = slash + 1;
  }
  pending.insert(pending.end(), parts.rbegin(), parts.rend());
}

Descriptor OpenDirectory(int at, const char* name) {
  return Descriptor(::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Walks path one name at a time from the directory it starts in, following
// links as the kernel would (at most 40) after checking each, to the
// directory and name the write lands on. The name need not exist (a new
// file, or the target of a dangling link). Each directory is held open, so
// what was checked is what gets written.
bool Resolve(const fs::path& path, Landing& out, std::string& why) {
  auto fail = [&why](const std::string& reason) {
    why = reason;
    return false;
  };
  Descriptor dir = OpenDirectory(AT_FDCWD, path.is_absolute() ? "/" : ".");
  if (!dir.valid()) return fail(std::strerror(errno));
  std::vector<std::string> pending;
  PushComponents(path.string(), pending);
  int links = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.back());
    pending.pop_back();
    const bool last = pending.empty();
    if (name == "." || name == "..") {
      if (last) break;
      Descriptor next = OpenDirectory(dir.get(), name.c_str());
      if (!next.valid()) return fail(std::strerror(errno));
      dir = std::move(next);
      continue;
    }
    struct stat st {};
    if (::fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT || !last) return fail(std::strerror(errno));
      out = {std::move(dir), name};
      return true;
    }
    if (S_ISLNK(st.st_mode)) {
      if (++links > kMaxLinks) return fail(std::strerror(ELOOP));
      if (PlantedLink(dir.get(), st))
        return fail(
            "a link another user owns in a shared directory (sticky, writable by all) is "
            "not followed");
      std::vector<char> target(PATH_MAX + 1);
      const ssize_t n = ::readlinkat(dir.get(), name.c_str(), target.data(), target.size() - 1);
      if (n < 0) return fail(std::strerror(errno));
      if (n == 0) return fail(std::strerror(ENOENT));
      const std::string text(target.data(), static_cast<std::size_t>(n));
      if (text.front() == '/') {
        dir = OpenDirectory(AT_FDCWD, "/");
        if (!dir.valid()) return fail(std::strerror(errno));
      }
      PushComponents(text, pending);
      continue;
    }
    if (last) {
      out = {std::move(dir), name};
      return true;
    }
    if (!S_ISDIR(st.st_mode)) return fail(std::strerror(ENOTDIR));
    Descriptor next = OpenDirectory(dir.get(), name.c_str());
    if (!next.valid()) return fail(std::strerror(errno));
    dir = std::move(next);
  }
  // The path ends in a directory ("..", or a link to "/").
  return fail(NotRegularReason(S_IFDIR));
}

// What stops a write at the landing, or empty.
std::string RefusalFor(const Landing& at) {
  struct stat st {};
  const int dir = at.directory.get();
  if (::fstatat(dir, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!S_ISREG(st.st_mode)) return NotRegularReason(st.st_mode);
    if (!MayWrite(dir, at.name.c_str(), st)) return "the file is write-protected";
  } else if (errno != ENOENT) {
    return std::strerror(errno);
  }
  struct stat parent {};
  if (::fstat(dir, &parent) != 0) return std::strerror(errno);
  if (!MayWrite(dir, ".", parent)) return "its directory is write-protected";
  return {};
}

// A fresh temporary name for target in directory: hidden, and within the
// system's name length however long the target's own name is.
std::string TemporaryName(int directory, const std::string& target) {
  long nameMax = ::fpathconf(directory, _PC_NAME_MAX);
  if (nameMax <= 0) nameMax = NAME_MAX;
  constexpr std::size_t kRandom = 6;
  const std::size_t room = static_cast<std::size_t>(nameMax) - kRandom - 2;
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[kRandom];
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long mix = static_cast<unsigned long long>(now.tv_nsec) * 2654435761ULL ^
                             static_cast<unsigned long long>(::getpid());
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(mix >>= 7);
  }
  std::string name = "." + target.substr(0, room) + ".";
  for (unsigned char b : bytes) name += kLetters[b % (sizeof kLetters - 1)];
  return name;
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

// One file on its way: written in full before any file of a set is renamed.
struct Staged {
  Landing at;
  Descriptor file;
  std::string temporary;  // its name in at.directory, once it has one
  int slot = -1;          // in the table of temporaries removed on a signal

  Staged() = default;
  Staged(const Staged&) = delete;
  Staged& operator=(const Staged&) = delete;
  ~Staged() { Discard(); }

  void Name(std::string name) {
    temporary = std::move(name);
    slot = HoldTemporary(at.directory.get(), temporary.c_str());
  }
  void Forget() {
    ReleaseTemporary(slot);
    slot = -1;
    temporary.clear();
  }
  void Discard() {
    if (!temporary.empty()) ::unlinkat(at.directory.get(), temporary.c_str(), 0);
    Forget();
  }
};

// The bytes, the old file's permissions and owner (a new file has the
// ordinary ones), and all of it on disk.
bool Fill(const Staged& s, std::string_view contents, bool named) {
  const int fd = s.file.get();
  if (!WriteAll(fd, contents)) return false;
  struct stat old {};
  if (::fstatat(s.at.directory.get(), s.at.name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Only root may give a file away; the new file stays the writer's.
    }
  } else if (named) {
    // A named temporary is created private; an unnamed one got the umask.
    ::fchmod(fd, 0666 & ~kUmask);
  }
  return ::fsync(fd) == 0;
}

// Gives s fresh temporary names until create makes the file under one (true)
// or fails for another reason than the name being taken. Each name is held
// for removal on a signal before the file exists, so no moment is left
// uncovered.
template <class Create>
bool UnderFreshName(Staged& s, Create create) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    s.Name(TemporaryName(s.at.directory.get(), s.at.name));
    if (create(s.temporary.c_str())) return true;
    const int code = errno;
    s.Forget();
    if (code != EEXIST) {
      errno = code;
      return false;
    }
  }
  return false;
}

// A named temporary file, created private.
bool OpenNamed(Staged& s) {
  return UnderFreshName(s, [&s](const char* name) {
    s.file.Reset(
        ::openat(s.at.directory.get(), name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    return s.file.valid();
  });
}

// Gives the unnamed file a temporary name beside its target. Linking by
// descriptor needs a capability; the descriptor's /proc entry does not.
bool LinkUnnamed(Staged& s) {
  char proc[40];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", s.file.get());
  return UnderFreshName(s, [&s, &proc](const char* name) {
    const int dir = s.at.directory.get();
    return ::linkat(s.file.get(), "", dir, name, AT_EMPTY_PATH) == 0 ||
           ::linkat(AT_FDCWD, proc, dir, name, AT_SYMLINK_FOLLOW) == 0;
  });
}

// Resolves path, checks what is there and writes contents to a file beside
// it that carries a temporary name at the end. A file system without unnamed
// files, or a system where they cannot be linked, gets a named temporary
// from the start.
bool Stage(const fs::path& path, std::string_view contents, Staged& s, std::string& why) {
  if (path.empty() || path.filename().empty()) {
    why = "no file name";
    return false;
  }
  if (!Resolve(path, s.at, why)) return false;
  why = RefusalFor(s.at);
  if (!why.empty()) return false;
  s.file.Reset(::openat(s.at.directory.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (s.file.valid()) {
    if (!Fill(s, contents, false)) {
      why = std::strerror(errno);
      return false;
    }
    if (LinkUnnamed(s)) return true;
    s.file.Reset();
  }
  if (!OpenNamed(s) || !Fill(s, contents, true)) {
    why = std::strerror(errno);
    return false;
  }
  return true;
}

void SyncDirectory(int directory) {
  const int fd = ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool WriteFilesAtomically(std::span<const FileToWrite> files, std::string* error,
                          std::size_t* failed) {
  std::vector<Staged> staged(files.size());
  std::string why;
  auto fail = [&](std::size_t i) {
    if (error) *error = files[i].path.string() + ": " + why;
    if (failed) *failed = i;
    return false;  // the staged files still named are removed on the way out
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!Stage(files[i].path, files[i].contents, staged[i], why)) return fail(i);
  }
  // Every file is whole on disk: only renames are left, which fail for
  // reasons the checks above have ruled out (or a directory removed
  // meanwhile).
  for (std::size_t i = 0; i < files.size(); ++i) {
    Staged& s = staged[i];
    const int dir = s.at.directory.get();
    if (::renameat(dir, s.temporary.c_str(), dir, s.at.name.c_str()) != 0) {
      why = std::strerror(errno);
      return fail(i);
    }
    s.Forget();
    SyncDirectory(dir);
  }
  return true;
}

bool WriteFileAtomically(const fs::path& path, std::string_view contents, std::string* error) {
  const FileToWrite file{path, contents};
  return WriteFilesAtomically({&file, 1}, error);
}

}  // namespace difscop::textio
