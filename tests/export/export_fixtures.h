// Patterns, temporary directories and file helpers shared by the export tests.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/scripted_platform.h"
#include "workspace/workspace.h"

namespace difscop::test {

namespace fs = std::filesystem;
using platform::ScriptedPlatform;
using Texts = std::vector<std::string>;

// A measured pattern of n points from 10 degrees in steps of 0.02, with
// intensities that end in .5 and .25 (so rounding is exercised), and a
// smoothed copy valid from point 3 to n - 2. Kept in step with
// tests/data/export/make_expected.py.
inline std::unique_ptr<workspace::Workspace> MakePattern(int n) {
  auto ws = std::make_unique<workspace::Workspace>();
  for (int i = 1; i <= n; ++i) {
    const float x = 10.0f + 0.02f * static_cast<float>(i - 1);
    const float y = static_cast<float>((i * 7919) % 5000) + (i % 2 ? 0.5f : 0.25f);
    ws->obs[i] = {x, y};
    ws->smoothed[i] = {x, y + 0.75f};
  }
  ws->obsCount = ws->segmentPointCount[1] = n;
  ws->stepWidth = ws->obs[2].x - ws->obs[1].x;
  ws->smoothFirst = 3;
  ws->smoothLast = n - 2;
  ws->segmentCount = ws->smoothedValid = ws->rawLoaded = 1;
  ws->blankPlot = 0;
  return ws;
}

// A fit: `segments` segments of `points` points each and `phases` phases
// of `reflections` reflections.
inline std::unique_ptr<workspace::Workspace> MakeFit(int segments, int points, int phases,
                                                     int reflections) {
  auto ws = std::make_unique<workspace::Workspace>();
  ws->obsCount = segments * points;
  for (int i = 1; i <= ws->obsCount; ++i) {
    const float x = 20.0f + 0.5f * static_cast<float>(i - 1);
    ws->obs[i] = {x, 1000.0f + 100.0f * static_cast<float>(i % 7)};
    ws->calc[i] = {x, 990.0f + 100.0f * static_cast<float>(i % 7) + 0.5f};
  }
  ws->segmentCount = segments;
  for (int k = 1; k <= segments; ++k) ws->segmentPointCount[k] = points;
  ws->phaseCount = phases;
  for (int p = 1; p <= phases; ++p) {
    ws->reflectionCount[p] = reflections;
    for (int j = 1; j <= reflections; ++j)
      ws->reflectionPos[p][j] = 20.25f + static_cast<float>(p) + 1.5f * static_cast<float>(j);
  }
  ws->rawLoaded = ws->blankPlot = 0;
  ws->xMin = 20;
  ws->xMax = 30;
  ws->xTick = 2;  // yMax 8000 and yTick 1000 are the workspace's own
  return ws;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
inline void WriteFile(const fs::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}
inline fs::path ExpectedFile(const std::string& name) {
  return fs::path(DIFSCOP_SOURCE_DIR) / "tests" / "data" / "export" / name;
}

// Each save dialog as it opened: filter, default extension and file name.
inline Texts SaveDialogs(const ScriptedPlatform& platform) {
  Texts out;
  for (const auto& r : platform.saveRequests)
    out.push_back(r.filter + " " + r.defaultExtension + " " + r.initialName);
  return out;
}

// A fresh directory under the build tree, removed when the object goes.
struct TempDir {
  fs::path path_ =
      fs::path(mkdtemp((fs::path(DIFSCOP_BINARY_DIR) / "export_test_XXXXXX").string().data()));
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  const fs::path& path() const { return path_; }
};

}  // namespace difscop::test
