// Pieces of Difscop.ini shared by its reader and its two writers: whole
// physical lines, the value after "=", program directories and the working
// files derived from them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::settings {

// The settings file found at start (see settings_location.h), or the start
// directory's when none was looked for.
std::filesystem::path SettingsFilePath(const workspace::Workspace& ws);

// The settings file's text, or nullopt after showing message: alone for a
// file that is not there (the first start), with "PATH: reason" under it
// for one that is there but cannot be read (a FIFO, a directory, UTF-16).
std::optional<std::string> ReadSettingsFileOrSay(const std::filesystem::path& path,
                                                 platform::Platform& platform,
                                                 std::string_view message);

// Splits text into its lines, each without its line break (LF or CR LF).
// Lines are kept whole whatever their length; a last line without a break
// counts, an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

// The text after the first '=' of a line, or the whole line when it has none.
std::string_view ValueOf(std::string_view line);

// Removes blanks and tabs (and a stray CR) at both ends.
std::string_view TrimBlanks(std::string_view text);

// The directory of a program path: everything before its last separator.
// Both '/' and '\' count, so paths written on Windows still split. A path
// without a separator has an empty directory (the program is looked up in
// the current directory and on PATH).
std::string ProgramDirectory(std::string_view programPath);

// Joins a directory and a relative name made of '/'-separated parts. The
// platform separator is used, except that a directory in Windows style
// (cut at a backslash) keeps backslashes, so its derived names stay usable
// by whatever reads that style.
std::string JoinPath(std::string_view directory, std::string_view relative);

// Program paths and what follows from them: the directory and the program's
// input and output files.
void SetCellRefExe(workspace::Workspace& ws, std::string path);
void SetCellExe(workspace::Workspace& ws, std::string path);
void SetExpoExe(workspace::Workspace& ws, std::string path);
void SetGenHklExe(workspace::Workspace& ws, std::string path);

}  // namespace difscop::settings
