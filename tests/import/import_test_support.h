// Helpers shared by the import tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/detect.h"
#include "import/fitted_reader.h"
#include "import/raw_reader.h"
#include "platform/scripted_platform.h"
#include "workspace/workspace.h"

namespace difscop::import::testing {

using platform::ScriptedPlatform;
using workspace::Workspace;
using Texts = std::vector<std::string>;

constexpr FileType Raw(int code) {
  return {false, code};
}
constexpr FileType Fitted(int kind) {
  return {true, kind};
}

// A workspace after the window's start: reset, nothing loaded.
inline std::unique_ptr<Workspace> FreshWorkspace() {
  auto ws = std::make_unique<Workspace>();
  workspace::ResetWorkspace(*ws);
  return ws;
}

struct ReadOutcome {
  bool ok = false;
  std::unique_ptr<Workspace> ws = FreshWorkspace();
  ScriptedPlatform platform;
};

// The bytes through one reader; a Hermes read is given `wavelength` in its
// dialog (nullopt cancels). Fitted reads name the file "fit.dat".
inline std::unique_ptr<ReadOutcome> Read(FileType type, const std::string& text,
                                         std::optional<std::string> wavelength = "1.8265") {
  auto r = std::make_unique<ReadOutcome>();
  r->platform.neutronWavelengthAnswers = {wavelength};
  r->ok = type.fitted ? ReadFittedPatternText(*r->ws, r->platform, type.code, text, "fit.dat")
                      : ReadRawPatternText(*r->ws, r->platform, type.code, text);
  return r;
}

// Point i of an array, as angle and intensity.
struct Pt {
  int i;
  float x, y;
};
inline void ExpectPoints(const workspace::PointArray& a, const std::vector<Pt>& expected) {
  for (const Pt& p : expected) {
    EXPECT_NEAR(a[p.i].x, p.x, 1e-4) << "point " << p.i;
    EXPECT_NEAR(a[p.i].y, p.y, 1e-3) << "point " << p.i;
  }
}

// Entries 1 to n of a table counted from one.
template <class Table>
std::vector<int> OneBased(const Table& t, int n) {
  return std::vector<int>(t.begin() + 1, t.begin() + 1 + n);
}

inline std::string ExamplePath(const std::string& name) {
  return std::string(DIFSCOP_SOURCE_DIR) + "/examples/" + name;
}
inline std::string SamplePath(const std::string& name) {
  return std::string(DIFSCOP_SAMPLES_DIR) + "/" + name;
}

}  // namespace difscop::import::testing
