#include "platform/program_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace difscop::platform {
namespace fs = std::filesystem;

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  while (true) {
    while (i < n && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      char c = commandLine[i];
      if (!quoted && (c == ' ' || c == '\t')) break;
      if (c == '\\') {
        std::size_t slashes = 0;
        while (i < n && commandLine[i] == '\\') ++slashes, ++i;
        if (i < n && commandLine[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg.push_back('"');
            ++i;
          }
        } else {
          arg.append(slashes, '\\');
        }
        continue;
      }
      if (c == '"') {
        // Inside quotes a doubled quote is a literal one.
        if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
          arg.push_back('"');
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      arg.push_back(c);
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string QuoteArgument(const std::string& argument) {
  std::string out = "\"";
  std::size_t slashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    if (c == '"') {
      out.append(slashes * 2 + 1, '\\');
    } else {
      out.append(slashes, '\\');
    }
    slashes = 0;
    out.push_back(c);
  }
  // Backslashes before the closing quote must not escape it.
  out.append(slashes * 2, '\\');
  out.push_back('"');
  return out;
}

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

struct Child {
  pid_t pid = -1;
  int error = 0;  // errno of a failed start
};

// Starts argv[0] (already resolved) with argv. A detached child is started
// through an intermediate process that exits at once, so it never lingers as
// a zombie of ours. The exec error, if any, comes back through a pipe that
// closes on a successful exec.
Child Spawn(const std::string& path, const std::vector<std::string>& args, bool detached) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  Child child;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    child.error = errno;
    return child;
  }
  pid_t pid = ::fork();
  if (pid < 0) {
    child.error = errno;
    ::close(fds[0]);
    ::close(fds[1]);
    return child;
  }
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    if (detached) {
      pid_t grandchild = ::fork();
      if (grandchild < 0) {
        int e = errno;
        (void)!::write(fds[1], &e, sizeof e);
        ::_exit(127);
      }
      if (grandchild > 0) ::_exit(0);
    }
    // Our own descriptors are not handed on.
    for (int fd = 3; fd < 1024; ++fd) {
      if (fd != fds[1]) ::close(fd);
    }
    ::execv(path.c_str(), argv.data());
    int e = errno;
    (void)!::write(fds[1], &e, sizeof e);
    ::_exit(127);
  }
  ::close(fds[1]);
  int e = 0;
  ssize_t got;
  do {
    got = ::read(fds[0], &e, sizeof e);
  } while (got < 0 && errno == EINTR);
  ::close(fds[0]);
  child.pid = pid;
  if (got == static_cast<ssize_t>(sizeof e)) child.error = e;
  return child;
}

// Waits for pid; with block false only looks. True once it has ended.
bool Reap(pid_t pid, bool block) {
  while (true) {
    int status = 0;
    pid_t r = ::waitpid(pid, &status, block ? 0 : WNOHANG);
    if (r == pid) return true;
    if (r == 0) return false;
    if (errno == EINTR) continue;
    return true;  // not our child any more: nothing left to wait for
  }
}

}  // namespace

namespace {

// The first PATH directory holding name as an executable. An empty or
// relative entry would mean a directory the user happens to be in; only
// current-directory-first lookups want that, and they say so themselves.
std::optional<std::string> SearchPath(const std::string& name, bool relativeEntries) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (!relativeEntries && (dir.empty() || dir.front() != '/')) continue;
    // An empty PATH entry means the current directory.
    std::string candidate = dir.empty() ? "./" + name : dir + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FindProgram(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsExecutableFile(name)) return name;
    return std::nullopt;
  }
  std::error_code ec;
  fs::path here = fs::current_path(ec);
  if (!ec && IsExecutableFile((here / name).string())) return (here / name).string();
  return SearchPath(name, true);
}

std::optional<std::string> FindOnPath(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsExecutableFile(name)) return name;
    return std::nullopt;
  }
  return SearchPath(name, false);
}

bool RunProgram(Platform& platform, const std::string& commandLine, bool wait, Lookup lookup) {
  std::vector<std::string> args = SplitCommandLine(commandLine);
  const std::string program = args.empty() ? std::string() : args.front();
  std::optional<std::string> path =
      lookup == Lookup::kCurrentDirectoryFirst ? FindProgram(program) : FindOnPath(program);
  if (!path) {
    platform.ShowMessage("Cannot execute " + program + " !!!");
    return false;
  }
  Child child = Spawn(*path, args, !wait);
  if (child.pid < 0 || child.error != 0) {
    if (child.pid > 0) Reap(child.pid, true);
    platform.ShowMessage("Cannot execute " + program + " !!!");
    return false;
  }
  if (!wait) {
    Reap(child.pid, true);  // the intermediate process, gone at once
    return true;
  }
  bool ended = false;
  pid_t pid = child.pid;
  platform.WaitForProgram(program, [&ended, pid](bool block) {
    if (!ended) ended = Reap(pid, block);
    return ended;
  });
  if (!ended) Reap(pid, true);
  return true;
}

namespace {

// Starts opener on path and reports how it ended: its exit status, -1 while
// it still runs after the given time (an opener that shows the document
// itself), -2 when it could not be started. The opener runs under a watcher
// process of its own, so nothing is left for us to reap whichever way it goes.
int RunOpener(const std::string& opener, const std::string& path, int waitMilliseconds) {
  std::vector<std::string> args = {opener, path};
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -2;
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return -2;
  }
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    pid_t watcher = ::fork();
    if (watcher != 0) ::_exit(watcher < 0 ? 1 : 0);
    for (int fd = 3; fd < 1024; ++fd) {
      if (fd != fds[1]) ::close(fd);
    }
    pid_t child = ::fork();
    if (child == 0) {
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    int code = 126;
    int status = 0;
    if (child > 0) {
      while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    (void)!::write(fds[1], &code, sizeof code);
    ::_exit(0);
  }
  ::close(fds[1]);
  Reap(pid, true);  // the intermediate process, gone at once
  int code = -1;
  struct pollfd ready = {fds[0], POLLIN, 0};
  int polled;
  do {
    polled = ::poll(&ready, 1, waitMilliseconds);
  } while (polled < 0 && errno == EINTR);
  if (polled > 0) {
    ssize_t got;
    do {
      got = ::read(fds[0], &code, sizeof code);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof code)) code = -2;
  }
  ::close(fds[0]);
  return code;
}

}  // namespace

bool OpenDocument(const std::string& filePath, int waitMilliseconds) {
  std::error_code ec;
  if (filePath.empty() || !fs::is_regular_file(filePath, ec)) return false;
  std::optional<std::string> opener = FindOnPath("xdg-open");
  if (!opener) return false;
  // An opener still busy after the wait is showing the document.
  const int code = RunOpener(*opener, fs::absolute(filePath, ec).string(), waitMilliseconds);
  return code == 0 || code == -1;
}

}  // namespace difscop::platform
