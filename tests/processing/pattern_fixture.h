// Synthetic measured patterns and a scratch directory for the processing tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "textio/line_reader.h"
#include "workspace/workspace.h"

namespace difscop::processing::testing {

using Ws = std::unique_ptr<workspace::Workspace>;

// A raw pattern of n points from start in steps of step, intensities from f,
// drawn over its automatic range as after a load.
inline Ws MakePattern(int n, float start, float step, const std::function<float(float)>& f) {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  ws->obsCount = n;
  for (int i = 1; i <= n; ++i) {
    const float x = start + static_cast<float>(i - 1) * step;
    ws->obs[static_cast<std::size_t>(i)] = {x, f(x)};
  }
  ws->stepWidth = n >= 2 ? ws->obs[2].x - ws->obs[1].x : step;
  std::tie(ws->stepStart, ws->stepEnd, ws->rawLoaded, ws->blankPlot) =
      std::tuple{ws->obs[1].x, ws->obs[static_cast<std::size_t>(n)].x, 1, 0};
  workspace::AutoRange(*ws);
  workspace::ChooseTicks(*ws);
  return ws;
}

// A Gaussian of the given height and full width at half maximum.
inline float Gauss(float x, float centre, float height, float fwhm) {
  const float s = fwhm / 2.35482f;
  return height * std::exp(-(x - centre) * (x - centre) / (2.0f * s * s));
}

// Gaussian peaks (centre, height) of FWHM 0.1 on a flat base, n points from
// start in steps of 0.02 (10..90 degrees unless given).
inline Ws PeakPattern(std::vector<std::pair<float, float>> peaks, float base = 0.0f, int n = 4001,
                      float start = 10.0f) {
  return MakePattern(n, start, 0.02f, [=](float x) {
    float y = base;
    for (auto [centre, height] : peaks) y += Gauss(x, centre, height, 0.1f);
    return y;
  });
}

inline std::string ReadAll(const std::filesystem::path& path) {
  return textio::ReadWholeFile(path).value_or("");
}

// An empty directory of this test run, removed afterwards.
class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("difscop_processing_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

}  // namespace difscop::processing::testing
