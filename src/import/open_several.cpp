#include "import/open_several.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>
#include <utility>

#include "platform/scripted_platform.h"

namespace difscop::import {

using workspace::Pattern;
using workspace::Workspace;

namespace {

// Reads into scratch, which starts out as a fresh pattern (the workspace's
// other parts are not looked at by the readers).
FileRead ReadInto(Workspace& scratch, const std::string& path, const FileLoader& load,
                  platform::Platform* user) {
  FileRead read;
  read.path = path;
  static_cast<Pattern&>(scratch) = Pattern{};
  if (user) {
    read.loaded = load(scratch, *user, path);
  } else {
    platform::ScriptedPlatform kept;
    read.loaded = load(scratch, kept, path);
    read.messages = std::move(kept.messages);
    read.askedUser = !kept.neutronWavelengthShown.empty();
  }
  if (read.loaded) {
    read.pattern = std::move(static_cast<Pattern&>(scratch));
    // A table grown while reading keeps no room beyond its points.
    read.pattern.obs.shrink_to_fit();
    read.pattern.calc.shrink_to_fit();
    read.pattern.background.shrink_to_fit();
  }
  return read;
}

}  // namespace

FileRead ReadFileApart(const std::string& path, const FileLoader& load, platform::Platform* user) {
  auto scratch = std::make_unique<Workspace>();
  return ReadInto(*scratch, path, load, user);
}

std::vector<FileRead> ReadFilesApart(std::span<const std::string> paths, const FileLoader& load,
                                     int threads, const std::atomic<bool>& cancel,
                                     std::atomic<int>& done) {
  std::vector<FileRead> reads(paths.size());
  std::atomic<std::size_t> next{0};
  // Each worker takes the next file not yet taken; each result has a slot of
  // its own, so the workers share nothing else.
  auto work = [&] {
    auto scratch = std::make_unique<Workspace>();
    for (std::size_t i = next++; i < paths.size(); i = next++) {
      if (cancel) {
        reads[i].path = paths[i];
      } else {
        reads[i] = ReadInto(*scratch, paths[i], load, nullptr);
      }
      ++done;
    }
  };
  const int count = std::clamp(threads, 1, static_cast<int>(std::max<std::size_t>(paths.size(), 1)));
  std::vector<std::jthread> workers;
  for (int t = 1; t < count; ++t) workers.emplace_back(work);
  work();
  return reads;
}

void AdoptPattern(Workspace& ws, const std::string& path, Pattern&& pattern) {
  workspace::AddPattern(ws, std::filesystem::path(path).filename().string());
  workspace::ResetWorkspace(ws);
  static_cast<Pattern&>(ws) = std::move(pattern);
  ws.blankPlot = 0;
  workspace::AutoRange(ws);
  workspace::ChooseTicks(ws);
  workspace::UpdateTitle(ws);
}

std::string SeveralFilesReport(std::span<const FileRead> reads) {
  std::string failed, notes;
  int failures = 0;
  for (const FileRead& read : reads) {
    if (read.messages.empty()) continue;
    std::string& to = read.loaded ? notes : failed;
    failures += read.loaded ? 0 : 1;
    to += "\n\n" + read.path;
    for (const std::string& m : read.messages) to += "\n" + m;
  }
  std::string report;
  if (failures > 0)
    report = std::to_string(failures) + " of " + std::to_string(reads.size()) +
             " files could not be opened !!!" + failed;
  if (!notes.empty()) report += (report.empty() ? "" : "\n\n") + std::string("Opened with notes:") + notes;
  return report;
}

}  // namespace difscop::import
