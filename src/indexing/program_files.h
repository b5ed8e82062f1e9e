// Small pieces every indexing command shares: where the working files live,
// the three shapes of command line, and cutting fixed columns out of a
// listing line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::indexing {

using platform::Platform;
using workspace::Workspace;

// A relative working-file name resolved against startDirectory, where the
// run commands write and the programs leave their files, whatever directory a
// later command made current. Full paths stay as they are.
std::string InStartDirectory(const Workspace& ws, const std::string& name);

// Makes dir the current directory (nothing for an empty name). A directory
// that cannot be entered leaves the current one; what follows reports.
void EnterDirectory(const std::string& dir);

// "exe" "arg1" "arg2" ...: a program run.
std::string ProgramCommandLine(const std::string& exe, const std::vector<std::string>& args = {});
// "editor" "file": a file shown in the editor.
std::string ShowFileCommandLine(const std::string& editor, const std::string& file);
// editor file, unquoted: the input file edited before an indexing run.
std::string EditInputCommandLine(const std::string& editor, const std::string& file);

// Runs the editor command line on an input file and waits for it. An editor
// that hands the file to a window already open (gedit, kate) returns at once:
// the user is then asked to press OK once the editing of file is done, so the
// program does not run on the file as it was.
void EditInputFile(Platform& platform, const std::string& commandLine, const std::string& file);

// Starts the editor on file without waiting.
void ShowInEditor(const Workspace& ws, Platform& platform, const std::string& file);

// len characters of line from pos (its line feed dropped first); columns past
// the end of a short line read as blanks.
std::string Cut(std::string_view line, std::size_t pos, std::size_t len);


// Directory part of a path (before its last separator) and the rest.
std::string DirectoryPart(const std::string& path);
std::string FileNamePart(const std::string& path);

}  // namespace difscop::indexing
