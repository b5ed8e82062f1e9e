// Scratch directories, file helpers and listings shared by the indexing tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "workspace/workspace.h"

namespace indexing_test {
namespace fs = std::filesystem;
using difscop::cli::testing::Slurp;

inline fs::path DataDir() {
  return fs::path(DIFSCOP_SOURCE_DIR) / "tests" / "data" / "indexing";
}
inline fs::path StandinDir() {
  return fs::path(DIFSCOP_SOURCE_DIR) / "tests" / "indexing" / "standins";
}
inline void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The listing written for the tests, LF line ends as the generator wrote it.
inline std::string Listing(const std::string& name) {
  return Slurp(DataDir() / name);
}

// A temporary start directory, made current while it lives.
class StartDirectory {
 public:
  StartDirectory() : old_(fs::current_path()) {
    std::string tmpl = (fs::temp_directory_path() / "difscop-index-XXXXXX").string();
    dir_ = ::mkdtemp(tmpl.data());
    fs::current_path(dir_);
  }
  ~StartDirectory() {
    fs::current_path(old_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const fs::path& path() const { return dir_; }
  std::string operator/(const std::string& name) const { return (dir_ / name).string(); }

 private:
  fs::path old_, dir_;
};

// A workspace as the window sets it up, started in dir.
inline std::unique_ptr<difscop::workspace::Workspace> MakeWorkspace(const std::string& dir) {
  auto ws = std::make_unique<difscop::workspace::Workspace>();
  difscop::workspace::ResetWorkspace(*ws);
  difscop::workspace::SetIndexingProgramNames(*ws);
  ws->startDirectory = dir;
  return ws;
}

// An automatic peak list of the given 2theta values (d for Cu Ka1).
template <typename... T>
void SetPeaks(difscop::workspace::Workspace& ws, T... twoTheta) {
  ws.peakCount = 0;
  for (float t : std::vector<float>{static_cast<float>(twoTheta)...}) {
    ws.peak2Theta[++ws.peakCount] = t;
    ws.peakIntensity[ws.peakCount] = 1000.0f;
    ws.peakD[ws.peakCount] = difscop::workspace::DSpacing(ws.wavelength, t);
  }
  ws.autoPeaksFound = ws.rawLoaded = 1;
}

}  // namespace indexing_test
