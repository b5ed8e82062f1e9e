// Difscop.ini: the display settings, the X-ray source
// of the Ka2 test, the outside programs' paths and the text editor. Read once
// at start; "Save Para" rewrites its display part and keeps the rest.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::settings {

using platform::Platform;
using workspace::Workspace;

// The fifteen display values and the two black-and-white colours.
void ApplyDisplayDefaults(Workspace& ws);

// What applies when the settings file names no program: the editor found on
// this desktop, and the bare program names (found in the current directory
// or on PATH) with their working files in the current directory. The
// indexing programs are "Ito13.exe", "Treor90.exe" and "Dicvol91.exe" unless
// "[Ito]", "[Treor]" or "[Dicvol]" name others ("Ito = /opt/ito/Ito13.exe").
void ApplyProgramDefaults(Workspace& ws);

// Applies the program defaults, then reads the settings file: the start
// directory's, else the user's (LocateSettingsFile), kept in
// settingsFilePath for the rewrites.
// A missing file is reported; so are missing sections, all in one message,
// and every section that is there is still read.
void ReadSettings(Workspace& ws, Platform& platform);

// Reads the sections from a settings file's text (the part ReadSettings
// does once the file is open).
void ReadSettingsText(Workspace& ws, Platform& platform, std::string_view text);

// "Reset Default Para": the display defaults, then a repaint. The file is
// not touched.
void ResetDefaultParaCommand(Workspace& ws, Platform& platform);

// "Save Para": after a Yes, writes the display part of the file and keeps
// its sections from "[X-ray Source]" on as they were; the "[Profile]"
// section (Scherrer constant, SNIP window, the instrument's Caglioti U, V,
// W) is written anew at the end once it differs from the built-in values or
// the file had one.

void SaveParaCommand(Workspace& ws, Platform& platform);

// The "[Profile]" section as Save Para writes it, CR LF lines.
std::string FormatProfilePart(const Workspace& ws);

// text without its "[Profile]" section (from the line that starts with the
// header up to the next section's header or the end): Save Para writes that
// section anew.
std::string WithoutProfile(std::string_view text);

// The display part as Save Para writes it, CR LF lines.
std::string FormatDisplayPart(const Workspace& ws);

// The part of an existing file Save Para keeps: from the first line that
// opens one of the sections "[X-ray Source]" to "[Editor]" (the program
// sections included) to the end, byte for byte. Empty when there is none.
std::string_view KeptSections(std::string_view oldText);

// The text editor for this desktop: "c:\windows\notepad.exe" on Windows,
// elsewhere a graphical editor found on PATH, else "xdg-open".
std::string DefaultEditor();

// The editor search over a PATH value (directories separated by ':').
std::string FindEditorOnPath(std::string_view pathVariable);

}  // namespace difscop::settings
