#include "platform/program_runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

std::optional<std::string> FindProgram(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsExecutableFile(name)) return name;
    return std::nullopt;
  }
  std::error_code ec;
  fs::path here = fs::current_path(ec);
  if (!ec && IsExecutableFile((here / name).string())) return (here / name).string();
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    // An empty PATH entry means the current directory.
    std::string candidate =
        end > start ? dirs.substr(start, end - start) + "/" + name : "./" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

bool RunProgram(Platform& platform, const std::string& commandLine, bool wait) {
  std::vector<std::string> args = SplitCommandLine(commandLine);
  const std::string program = args.empty() ? std::string() : args.front();
  std::optional<std::string> path = FindProgram(program);
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

// Runs argv without a shell and returns its standard output (first line,
// without the line end); nullopt when it cannot run or says nothing.
std::optional<std::string> FirstOutputLine(const std::vector<std::string>& args) {
  std::optional<std::string> path = FindProgram(args.front());
  if (!path) return std::nullopt;
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return std::nullopt;
  }
  if (pid == 0) {
    ::dup2(fds[1], 1);
    int devnull = ::open("/dev/null", O_WRONLY);
    if (devnull >= 0) ::dup2(devnull, 2);
    ::execv(path->c_str(), argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string out;
  char buffer[512];
  while (true) {
    ssize_t got = ::read(fds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    out.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fds[0]);
  Reap(pid, true);
  std::size_t eol = out.find('\n');
  if (eol != std::string::npos) out.resize(eol);
  while (!out.empty() && (out.back() == '\r' || out.back() == ' ')) out.pop_back();
  if (out.empty()) return std::nullopt;
  return out;
}

std::vector<fs::path> XdgDirs(const char* homeVar, const char* homeDefault, const char* dirsVar,
                              const char* dirsDefault) {
  std::vector<fs::path> dirs;
  const char* home = std::getenv(homeVar);
  if (home && *home) {
    dirs.emplace_back(home);
  } else if (const char* h = std::getenv("HOME")) {
    dirs.push_back(fs::path(h) / homeDefault);
  }
  const char* list = std::getenv(dirsVar);
  std::string all = (list && *list) ? list : dirsDefault;
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    if (end > start) dirs.emplace_back(all.substr(start, end - start));
    start = end + 1;
  }
  return dirs;
}

// The "key=value" line under [section] of an ini-like desktop file.
std::optional<std::string> DesktopValue(const fs::path& file, const std::string& section,
                                        const std::string& key) {
  std::ifstream in(file);
  if (!in) return std::nullopt;
  std::string line;
  bool inSection = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inSection = line == "[" + section + "]";
      continue;
    }
    if (inSection && line.compare(0, key.size() + 1, key + "=") == 0) {
      return line.substr(key.size() + 1);
    }
  }
  return std::nullopt;
}

// MIME types of the documents the program hands to the desktop.
std::optional<std::string> MimeTypeByExtension(const fs::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".html" || ext == ".htm") return "text/html";
  if (ext == ".bmp") return "image/bmp";
  if (ext == ".emf") return "image/emf";
  if (ext == ".txt" || ext == ".out" || ext == ".inp" || ext == ".dat") return "text/plain";
  return std::nullopt;
}

// Without xdg-mime: the first desktop file named for the type in the users' and
// the system's mimeapps.list files.
std::optional<std::string> DefaultDesktopFile(const std::string& mime) {
  std::vector<fs::path> places =
      XdgDirs("XDG_CONFIG_HOME", ".config", "XDG_CONFIG_DIRS", "/etc/xdg");
  for (const fs::path& d :
       XdgDirs("XDG_DATA_HOME", ".local/share", "XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
    places.push_back(d / "applications");
  }
  for (const fs::path& dir : places) {
    if (auto v = DesktopValue(dir / "mimeapps.list", "Default Applications", mime)) {
      std::string first = v->substr(0, v->find(';'));
      if (!first.empty()) return first;
    }
  }
  return std::nullopt;
}

// The program of a desktop file's Exec line (field codes dropped).
std::optional<std::string> ExecProgram(const std::string& desktopFile) {
  for (const fs::path& d :
       XdgDirs("XDG_DATA_HOME", ".local/share", "XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
    fs::path file = d / "applications" / desktopFile;
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) continue;
    std::optional<std::string> exec = DesktopValue(file, "Desktop Entry", "Exec");
    if (!exec) return std::nullopt;
    std::vector<std::string> words = SplitCommandLine(*exec);
    if (words.empty() || words.front().empty() || words.front()[0] == '%') return std::nullopt;
    return words.front();
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> AssociatedProgram(const std::string& filePath) {
  std::error_code ec;
  if (filePath.empty() || !fs::is_regular_file(filePath, ec)) return std::nullopt;
  std::optional<std::string> desktop;
  if (FindProgram("xdg-mime")) {
    std::optional<std::string> mime = FirstOutputLine({"xdg-mime", "query", "filetype", filePath});
    if (!mime) return std::nullopt;
    desktop = FirstOutputLine({"xdg-mime", "query", "default", *mime});
  } else if (std::optional<std::string> mime = MimeTypeByExtension(filePath)) {
    desktop = DefaultDesktopFile(*mime);
  }
  if (!desktop) return std::nullopt;
  return ExecProgram(*desktop);
}

}  // namespace difscop::platform
