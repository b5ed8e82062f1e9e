// Toolbar and program icons, drawn in code so the program ships no image files.
#pragma once

#include <QIcon>
#include <QImage>

namespace difscop::app {

inline constexpr int kButtonWidth = 16;
inline constexpr int kButtonHeight = 15;

// The 16 x 15 picture of a toolbar button; a null image for an id without one.
QImage ToolbarImage(int id);
QIcon ToolbarIcon(int id);

// The program's icon (window and About box).
QIcon ProgramIcon();

}  // namespace difscop::app
