// Opening files into the list of open patterns. Each file is read into a
// workspace of its own, so a failed read leaves the open patterns as they
// were, and many files can be read at once on worker threads: a reader there
// shows nothing (its messages are kept) and touches nothing the window holds
// until the window's thread takes the pattern over (AdoptPattern).
#pragma once

#include <atomic>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::import {

// Reads path into ws as an open command does (LoadFileByType, LoadRawFile
// with a format, ...); false after the reader has said why.
using FileLoader =
    std::function<bool(workspace::Workspace&, platform::Platform&, const std::string&)>;

// A file read apart from the open patterns.
struct FileRead {
  std::string path;
  bool loaded = false;
  // The reader asked the user something (the Hermes wavelength), which a
  // worker cannot: read it again on the window's thread.
  bool askedUser = false;
  workspace::Pattern pattern;
  // What the reader said, in order (refusals, points cut, notes).
  std::vector<std::string> messages;
};

// Reads one file. With user, messages and questions go to it as they come
// (nothing is kept in messages); without, messages are kept, every question
// is answered Cancel and askedUser is set.
FileRead ReadFileApart(const std::string& path, const FileLoader& load,
                       platform::Platform* user = nullptr);

// Reads the files on up to `threads` threads (at least one), without a
// user. done counts the files finished; once cancel is set no further file is
// started (those not started come back with loaded false and no message).
std::vector<FileRead> ReadFilesApart(std::span<const std::string> paths, const FileLoader& load,
                                     int threads, const std::atomic<bool>& cancel,
                                     std::atomic<int>& done);

// Adds the pattern read from path to the list as the new active pattern,
// named by its file name, and leaves what an open leaves: the view and the
// runs reset, the range, ticks and title of the pattern.
void AdoptPattern(workspace::Workspace& ws, const std::string& path,
                  workspace::Pattern&& pattern);

// One message for several files: each file that did not open with its
// reasons, then what the reader said about files that did. Empty when there
// is nothing to say.
std::string SeveralFilesReport(std::span<const FileRead> reads);

}  // namespace difscop::import
