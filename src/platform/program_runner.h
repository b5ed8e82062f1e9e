// Starting outside programs (indexing programs, editors, viewers) the way the
// desktop the program comes from does it: one command line, tokenised like
// its process creation, started directly (no shell ever sees the line). The
// indexing programs are looked for in the current directory first and then
// on PATH; the desktop's own helpers (editor, document opener) on PATH only,
// so nothing planted in a data directory runs in their place.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace difscop::platform {

// Splits a command line into arguments: blanks and tabs separate, double
// quotes group (and are removed), 2n backslashes before a quote give n
// backslashes and a grouping quote, 2n+1 give n backslashes and a literal
// quote; other backslashes are plain characters.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The argument in double quotes, escaped so SplitCommandLine gives it back
// unchanged. For the usual path (no quote, no trailing backslash) this is just
// a quote, the text and a quote.
std::string QuoteArgument(const std::string& argument);

// Where an indexing program's name resolves: a name with a '/' as it stands,
// otherwise the current directory first, then each PATH directory. Executable
// regular files count, and Windows programs (a ".exe" file beginning "MZ"),
// which RunProgram starts through wine.
std::optional<std::string> FindProgram(const std::string& name);

// Where a desktop helper resolves: a name with a '/' as it stands, otherwise
// the absolute PATH directories only.
std::optional<std::string> FindOnPath(const std::string& name);

enum class Lookup { kCurrentDirectoryFirst, kPathOnly };

// Starts the command line as a new process. With wait set, blocks until the
// child has ended (through Platform::WaitForProgram, so a window can say what
// it waits for and offer to stop it). A Windows program found by an indexing
// lookup runs as "wine <its full path> <arguments>", wine taken from PATH. A
// program that cannot be found or started is reported by name in a message,
// the reason on a second line, and false is returned; so is a stopped one.
// The caller goes on regardless.
bool RunProgram(Platform& platform, const std::string& commandLine, bool wait,
                Lookup lookup = Lookup::kCurrentDirectoryFirst);

// A program started with one end of a socket pair as its standard input and
// output: a line protocol in both directions, where writing to a program
// that has ended is an error rather than SIGPIPE (send with MSG_NOSIGNAL).
struct ConnectedProgram {
  pid_t pid = -1;
  int socket = -1;  // ours; -1 when the start failed
  int error = 0;    // errno of a failed start
};

// Starts path (as it stands: no lookup) with args, args[0] its name, in a
// session and process group of its own, standard error shared with ours and
// no other descriptor of ours.
ConnectedProgram StartConnected(const std::string& path, const std::vector<std::string>& args);

// Closes our end, ends the program and all it started at once when stop is
// set, waits for it and returns its wait status (-1 when none was started).
int FinishConnected(ConnectedProgram& program, bool stop);

struct HelperRun {
  enum class End { kExited, kSignalled, kTimedOut, kNotStarted };
  End end = End::kNotStarted;
  int code = 0;        // exit status, signal number, or the errno of a failed start
  std::string output;  // what the helper wrote on its standard output
};

// Runs program (a path) with args (argv[0] first) in a process group of its
// own, input as its standard input, its standard error discarded. One still
// running after timeoutMilliseconds is ended with its group (kTimedOut); so
// is one whose output grows beyond maxOutput bytes.
HelperRun RunHelper(const std::string& program, const std::vector<std::string>& args,
                    std::string_view input, int timeoutMilliseconds,
                    std::size_t maxOutput = std::size_t{256} << 20);

// Opens a document with the desktop's own opener (xdg-open, from PATH) and
// tells whether that worked: false for a missing file, no opener, or an
// opener that ends with a failure within waitMilliseconds. One still running
// then is taken to show the document. On failure, reason (when given) gets
// "file: why" for the message's second line.
bool OpenDocument(const std::string& filePath, int waitMilliseconds = 2000,
                  std::string* reason = nullptr);

}  // namespace difscop::platform
