// Scratch directories, file helpers and listings shared by the indexing tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_test_support.h"
#include "workspace/workspace.h"

namespace indexing_test {
namespace fs = std::filesystem;
using difscop::cli::testing::Slurp;
using difscop::cli::testing::WriteFile;

inline const fs::path kDataDir = fs::path(DIFSCOP_SOURCE_DIR) / "tests/data/indexing";
inline const fs::path kStandinDir = fs::path(DIFSCOP_SOURCE_DIR) / "tests/indexing/standins";
// The listing written for the tests, LF line ends as the generator wrote it.
inline std::string Listing(const std::string& name) {
  return Slurp(kDataDir / name);
}

// A temporary start directory, made current while it lives.
class StartDirectory : public difscop::cli::testing::Scratch {
 public:
  StartDirectory() { fs::current_path(dir); }
  ~StartDirectory() { fs::current_path(old_); }
  const fs::path& path() const { return dir; }

 private:
  const fs::path old_ = fs::current_path();
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
