// Running the built difscop-cli from tests.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

namespace difscop::cli::testing {

struct CliRun {
  int status = -1;
  std::string out;  // stdout
  std::string err;  // stderr
};

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A new temporary directory, removed with what it holds.
struct Scratch {
  std::string pattern = (std::filesystem::temp_directory_path() / "difscop-XXXXXX").string();
  const std::filesystem::path dir = ::mkdtemp(pattern.data());
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string operator/(const std::string& name) const { return (dir / name).string(); }
};

// A shell command line; stderr is collected through a temporary file. A run
// still going after seconds (when given) is ended: status 124.
inline CliRun RunProgram(const std::string& commandLine, int seconds = 0) {
  CliRun run;
  char errPath[] = "/tmp/difscop_cli_err_XXXXXX";
  const int fd = mkstemp(errPath);
  if (fd >= 0) close(fd);
  const std::string command = (seconds > 0 ? "timeout " + std::to_string(seconds) + " " : "") +
                              commandLine + " 2>" + errPath;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> buffer;
  for (std::size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    run.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = Slurp(errPath);
  std::remove(errPath);
  return run;
}

// difscop-cli with args as they are (quote paths).
inline CliRun RunCli(const std::string& args, int seconds = 0) {
  return RunProgram(std::string(DIFSCOP_BINARY_DIR) + "/src/cli/difscop-cli " + args, seconds);
}

// "name: value" lines into a map, and their names in order.
inline std::map<std::string, std::string> InfoFields(const std::string& out,
                                                     std::string* order = nullptr) {
  std::map<std::string, std::string> fields;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    fields[line.substr(0, colon)] = line.substr(colon + 2);
    if (order) *order += line.substr(0, colon) + " ";
  }
  return fields;
}

inline std::string Example(const std::string& name) {
  return std::string(DIFSCOP_SOURCE_DIR) + "/examples/" + name;
}
inline std::string Sample(const std::string& name) {
  return std::string(DIFSCOP_SAMPLES_DIR) + "/" + name;
}

}  // namespace difscop::cli::testing
