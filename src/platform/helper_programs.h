// The programs of our own that do parts of the work in a process apart
// (difscop-index, difscop-render, difscop-xylib): where they are, and what
// to say when one gave no result (RunHelper runs them).
#pragma once

#include <string>
#include <string_view>

#include "platform/program_runner.h"

namespace difscop::platform {

// Where helper program name is: beside the running program (the build tree's
// command-line programs), in the install's libexec directory relative to the
// running program's bin directory (an install moved to another prefix still
// finds it), else, for a program of the build tree this was built in (the
// window, tests), in that tree. A path is returned even when nothing is
// there, so a failure to start names it.
std::string HelperProgramPath(const std::string& name);

// Why a helper gave no usable result, for the line under a refusal:
// "the reader stopped (signal 11)" and the like; what names the helper's part.
std::string HelperFailure(const HelperRun& run, std::string_view what, int timeoutMilliseconds);

}  // namespace difscop::platform
