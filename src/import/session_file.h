// Sessions: the open patterns (their files, names, colours, visibility and
// order, and which one is active) and the view, kept in a small JSON file.
// A session names its patterns' files; it holds none of their data.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/workspace.h"

namespace difscop::import {

struct SessionPattern {
  std::string path;          // absolute when written
  std::string relativePath;  // from the session file's directory
  std::string name;
  workspace::Colour colour = 0;
  bool visible = true;
};

struct SessionFile {
  std::vector<SessionPattern> patterns;
  int active = -1;
  // The view; a range that cannot be drawn is not applied.
  float xMin = 0.0f, xMax = 0.0f, yMin = 0.0f, yMax = 0.0f;
  workspace::XAxis xAxis = workspace::XAxis::kTwoTheta;
  workspace::YAxis yAxis = workspace::YAxis::kLinear;
  workspace::Layout layout = workspace::Layout::kOverlay;
};

// The session of the workspace's open patterns, written at sessionPath. A
// pattern without a file (none is read so) is left out.
SessionFile SessionOf(const workspace::Workspace& ws, const std::string& sessionPath);

// The file's text; nullopt when a path cannot be written as JSON (a file
// name that is not UTF-8), with the reason.
std::optional<std::string> SessionText(const SessionFile& session, std::string* reason);

// The session in text; nullopt with the reason when it is not one.
std::optional<SessionFile> ParseSession(std::string_view text, std::string* reason);

// Where the session's pattern is found: its path, or, when that file has
// gone, its relative path from the directory of sessionPath (a folder moved
// together with its session); the path when neither exists.
std::string LocatePattern(const SessionPattern& pattern, const std::string& sessionPath);

// After the patterns were opened: listIndex[i] is the list index of the
// session's pattern i, or -1 where it did not open. Gives the opened ones
// their names, colours and visibility, makes the session's active pattern
// active (when it opened) and sets the view.
void ApplySession(workspace::Workspace& ws, const SessionFile& session,
                  std::span<const int> listIndex);

}  // namespace difscop::import
