// Helpers shared by the import tests.
#pragma once

#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include "import/fitted_reader.h"
#include "import/raw_reader.h"
#include "platform/scripted_platform.h"
#include "workspace/workspace.h"

namespace difscop::import::testing {

using platform::ScriptedPlatform;
using workspace::Workspace;

// A workspace after the window's start: reset, nothing loaded.
inline std::unique_ptr<Workspace> FreshWorkspace() {
  auto ws = std::make_unique<Workspace>();
  workspace::ResetWorkspace(*ws);
  return ws;
}

struct ReadOutcome {
  bool ok = false;
  std::unique_ptr<Workspace> ws;
  ScriptedPlatform platform;
};

inline std::unique_ptr<ReadOutcome> ReadRaw(int code, const std::string& text) {
  auto r = std::make_unique<ReadOutcome>();
  r->ws = FreshWorkspace();
  r->ok = ReadRawPatternText(*r->ws, r->platform, code, text);
  return r;
}

inline std::unique_ptr<ReadOutcome> ReadFitted(int kind, const std::string& text) {
  auto r = std::make_unique<ReadOutcome>();
  r->ws = FreshWorkspace();
  r->ok = ReadFittedPatternText(*r->ws, r->platform, kind, text, "fit.dat");
  return r;
}

// The fixed first line of each message; a refusal explains itself below it.
inline std::vector<std::string> Headlines(const std::vector<std::string>& messages) {
  std::vector<std::string> out;
  for (const std::string& m : messages) out.push_back(m.substr(0, m.find('\n')));
  return out;
}

inline std::string ExamplePath(const std::string& name) {
  return std::string(DIFSCOP_SOURCE_DIR) + "/examples/" + name;
}
inline std::string SamplePath(const std::string& name) {
  return std::string(DIFSCOP_SAMPLES_DIR) + "/" + name;
}

}  // namespace difscop::import::testing
