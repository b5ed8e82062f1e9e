#include "platform/program_runner.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

bool HasExeSuffix(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".exe";
}

// A Windows program: a ".exe" file that begins like one ("MZ"). A script or
// a native build that merely carries the name runs as it is. Wine does not
// need the execute bit, and files unpacked from a Windows archive often lack
// it.
bool IsWindowsProgram(const std::string& path) {
  if (!HasExeSuffix(path)) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char magic[2] = {};
  const bool mz = std::fread(magic, 1, 2, f) == 2 && magic[0] == 'M' && magic[1] == 'Z';
  std::fclose(f);
  return mz;
}

bool IsRunnable(const std::string& path) {
  return IsExecutableFile(path) || IsWindowsProgram(path);
}

struct Child {
  pid_t pid = -1;
  int error = 0;  // errno of a failed start
};

// Only async-signal-safe calls from here on: this runs in a child between
// fork and exec. Closes every descriptor above standard error but keep,
// however high it is numbered; a kernel without close_range gets a loop up
// to the descriptor limit.
void CloseOurDescriptors(int keep) {
  auto closeRange = [](unsigned first, unsigned last) {
    if (first > last) return;
    if (::close_range(first, last, 0) == 0) return;
    rlimit limit{};
    const rlim_t top = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                           ? limit.rlim_cur
                           : 65536;
    for (rlim_t fd = first; fd <= last && fd < top; ++fd) ::close(static_cast<int>(fd));
  };
  if (keep < 3) {
    closeRange(3, ~0U);
    return;
  }
  closeRange(3, static_cast<unsigned>(keep) - 1);
  closeRange(static_cast<unsigned>(keep) + 1, ~0U);
}

// Starts path with args. A detached child is started through an intermediate
// process that exits at once, so it never lingers as a zombie of ours. A
// waited-for child leads a session and process group of its own, so stopping
// it reaches whatever it started too. The exec error, if any, comes back
// through a pipe that closes on a successful exec. stdio: descriptors that
// become the child's standard input, output and error (-1: inherited).
Child Spawn(const std::string& path, const std::vector<std::string>& args, bool detached,
            const int (&stdio)[3] = {-1, -1, -1}) {
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
    } else {
      ::setsid();
    }
    for (int fd = 0; fd < 3; ++fd) {
      if (stdio[fd] >= 0 && ::dup2(stdio[fd], fd) < 0) {
        int e = errno;
        (void)!::write(fds[1], &e, sizeof e);
        ::_exit(127);
      }
    }
    // Our own descriptors are not handed on.
    CloseOurDescriptors(fds[1]);
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

// True while a process of group pgid has not ended (zombies do not count).
// Without /proc nothing can be told, and the group is taken as alive.
bool GroupHasLiveMember(pid_t pgid) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return true;
  bool alive = false;
  while (dirent* entry = ::readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    const std::string path = std::string("/proc/") + entry->d_name + "/stat";
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) continue;
    char buffer[512];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    buffer[n] = '\0';
    // "pid (name) state ppid pgrp ...": the name may hold blanks and ')'.
    const char* close = std::strrchr(buffer, ')');
    char state = 0;
    int ppid = 0, pgrp = 0;
    if (close && std::sscanf(close + 1, " %c %d %d", &state, &ppid, &pgrp) == 3 && pgrp == pgid &&
        state != 'Z' && state != 'X') {
      alive = true;
      break;
    }
  }
  ::closedir(proc);
  return alive;
}

// Ends the group led by leader: SIGTERM to all of it, up to two seconds for
// it to go, then SIGKILL for whatever is left. The leader is reaped only at
// the end, so its group id cannot pass to an unrelated process meanwhile.
void EndProcessGroup(pid_t leader) {
  ::kill(-leader, SIGTERM);
  for (int i = 0; i < 100 && GroupHasLiveMember(leader); ++i) ::usleep(20000);
  ::kill(-leader, SIGKILL);
  Reap(leader, true);
}

}  // namespace

namespace {

// The first PATH directory holding name as an executable. An empty or
// relative entry would mean a directory the user happens to be in; only
// current-directory-first lookups want that, and they say so themselves.
std::optional<std::string> SearchPath(const std::string& name, bool relativeEntries,
                                      bool (*accept)(const std::string&) = IsExecutableFile) {
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
    if (accept(candidate)) return candidate;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FindProgram(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsRunnable(name)) return name;
    return std::nullopt;
  }
  std::error_code ec;
  fs::path here = fs::current_path(ec);
  if (!ec && IsRunnable((here / name).string())) return (here / name).string();
  return SearchPath(name, true, IsRunnable);
}

std::optional<std::string> FindOnPath(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsExecutableFile(name)) return name;
    return std::nullopt;
  }
  return SearchPath(name, false);
}

namespace {

// Why name did not resolve, for the line under "Cannot execute ... !!!".
std::string NotFoundReason(const std::string& name, Lookup lookup) {
  if (name.empty()) return "no program given";
  if (name.find('/') != std::string::npos) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) return name + ": " + std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return name + ": not a regular file";
    return name + ": " + std::strerror(EACCES);
  }
  if (lookup == Lookup::kPathOnly) return name + ": not found on PATH";
  std::error_code ec;
  return name + ": not found in " + fs::current_path(ec).string() + " or on PATH";
}

}  // namespace

bool RunProgram(Platform& platform, const std::string& commandLine, bool wait, Lookup lookup) {
  std::vector<std::string> args = SplitCommandLine(commandLine);
  const std::string program = args.empty() ? std::string() : args.front();
  const std::string refusal = "Cannot execute " + program + " !!!\n";
  std::optional<std::string> path =
      lookup == Lookup::kCurrentDirectoryFirst ? FindProgram(program) : FindOnPath(program);
  if (!path) {
    platform.ShowMessage(refusal + NotFoundReason(program, lookup));
    return false;
  }
  if (lookup == Lookup::kCurrentDirectoryFirst && IsWindowsProgram(*path)) {
    std::optional<std::string> wine = FindOnPath("wine");
    if (!wine) {
      platform.ShowMessage(refusal + *path + " is a Windows program, and wine is not on PATH");
      return false;
    }
    std::error_code ec;
    args.front() = fs::absolute(*path, ec).string();
    args.insert(args.begin(), "wine");
    path = wine;
  }
  Child child = Spawn(*path, args, !wait);
  if (child.pid < 0 || child.error != 0) {
    if (child.pid > 0) Reap(child.pid, true);
    platform.ShowMessage(refusal + *path + ": " +
                         std::strerror(child.error ? child.error : EAGAIN));
    return false;
  }
  if (!wait) {
    Reap(child.pid, true);  // the intermediate process, gone at once
    return true;
  }
  bool ended = false;
  bool stopped = false;
  const pid_t pid = child.pid;
  platform.WaitForProgram(
      program,
      [&ended, pid](bool block) {
        if (!ended) ended = Reap(pid, block);
        return ended;
      },
      [&ended, &stopped, pid] {
        if (ended) return;
        EndProcessGroup(pid);
        ended = stopped = true;
      });
  if (!ended) Reap(pid, true);
  return !stopped;
}

ConnectedProgram StartConnected(const std::string& path, const std::vector<std::string>& args) {
  ConnectedProgram program;
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    program.error = errno;
    return program;
  }
  const Child child = Spawn(path, args, false, {ends[1], ends[1], -1});
  ::close(ends[1]);
  if (child.pid < 0 || child.error != 0) {
    ::close(ends[0]);
    if (child.pid > 0) Reap(child.pid, true);
    program.error = child.error ? child.error : EAGAIN;
    return program;
  }
  program.pid = child.pid;
  program.socket = ends[0];
  return program;
}

int FinishConnected(ConnectedProgram& program, bool stop) {
  if (program.socket >= 0) ::close(program.socket);
  program.socket = -1;
  if (program.pid <= 0) return -1;
  if (stop) ::kill(-program.pid, SIGKILL);
  int status = -1;
  while (::waitpid(program.pid, &status, 0) < 0 && errno == EINTR) {
  }
  program.pid = -1;
  return status;
}

namespace {

// The status of child pid once it has ended, waiting until deadline at the
// most; nullopt when it is still running then.
std::optional<int> WaitStatus(pid_t pid, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return status;
    if (r < 0 && errno != EINTR) return 0;  // not ours to wait for any more
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    ::usleep(2000);
  }
}

}  // namespace

HelperRun RunHelper(const std::string& program, const std::vector<std::string>& args,
                    std::string_view input, int timeoutMilliseconds, std::size_t maxOutput) {
  HelperRun run;
  // The input from a file in memory: the helper reads (and seeks) it at its
  // own pace while this side only reads the output, so neither waits on a
  // full pipe.
  const int in = ::memfd_create("difscop-input", MFD_CLOEXEC);
  int out[2] = {-1, -1};
  const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  auto closeAll = [&] {
    for (int fd : {in, out[0], out[1], devnull})
      if (fd >= 0) ::close(fd);
  };
  bool ready = in >= 0 && devnull >= 0 && ::pipe2(out, O_CLOEXEC) == 0;
  for (std::size_t done = 0; ready && done < input.size();) {
    const ssize_t n = ::write(in, input.data() + done, input.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ready = false;
    else done += static_cast<std::size_t>(n);
  }
  if (!ready || ::lseek(in, 0, SEEK_SET) != 0) {
    run.code = errno ? errno : EIO;
    closeAll();
    return run;
  }
  Child child = Spawn(program, args, false, {in, out[1], devnull});
  ::close(out[1]);
  out[1] = -1;
  if (child.pid < 0 || child.error != 0) {
    if (child.pid > 0) Reap(child.pid, true);
    run.code = child.error ? child.error : EAGAIN;
    closeAll();
    return run;
  }
  ::fcntl(out[0], F_SETFL, O_NONBLOCK);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
  bool ended = false, tooMuch = false;
  char buffer[1 << 16];
  while (!ended && !tooMuch) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    struct pollfd ready = {out[0], POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno != EINTR) break;
    if (polled <= 0) continue;
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n > 0) {
      run.output.append(buffer, static_cast<std::size_t>(n));
      tooMuch = run.output.size() > maxOutput;
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
      ended = true;  // the output closed: the helper has ended, or is about to
    }
  }
  closeAll();
  const std::optional<int> status =
      ended ? WaitStatus(child.pid, deadline) : std::optional<int>();
  if (!status) {
    EndProcessGroup(child.pid);
    run.end = HelperRun::End::kTimedOut;
    return run;
  }
  if (WIFSIGNALED(*status)) {
    run.end = HelperRun::End::kSignalled;
    run.code = WTERMSIG(*status);
  } else {
    run.end = HelperRun::End::kExited;
    run.code = WEXITSTATUS(*status);
  }
  return run;
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
    CloseOurDescriptors(fds[1]);
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

bool OpenDocument(const std::string& filePath, int waitMilliseconds, std::string* reason) {
  auto fail = [&](const std::string& why) {
    if (reason) *reason = filePath + ": " + why;
    return false;
  };
  std::error_code ec;
  if (filePath.empty()) return fail("no file name");
  if (!fs::exists(filePath, ec)) return fail(std::strerror(ENOENT));
  if (!fs::is_regular_file(filePath, ec)) return fail("not a regular file");
  std::optional<std::string> opener = FindOnPath("xdg-open");
  if (!opener) return fail("xdg-open was not found on PATH");
  // An opener still busy after the wait is showing the document.
  const int code = RunOpener(*opener, fs::absolute(filePath, ec).string(), waitMilliseconds);
  if (code == 0 || code == -1) return true;
  return fail(code == 127 || code == 126
                  ? "xdg-open could not be started"
                  : "no program opened it (xdg-open exit status " + std::to_string(code) + ")");
}

}  // namespace difscop::platform
