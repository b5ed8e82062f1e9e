// Patterns, temporary directories and file helpers shared by the export tests.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "workspace/workspace.h"

namespace difscop::test {

// A measured pattern of n points from 10 degrees in steps of 0.02, with
// intensities that end in .5 and .25 (so rounding is exercised), and a
// smoothed copy valid from point 3 to n - 2. Kept in step with
// tests/data/export/make_expected.py.
std::unique_ptr<workspace::Workspace> MakePattern(int n);

// A fit: `segments` segments of `points` points each and `phases` phases
// of `reflections` reflections.
std::unique_ptr<workspace::Workspace> MakeFit(int segments, int points, int phases,
                                              int reflections);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& contents);
std::filesystem::path ExpectedFile(const std::string& name);

// A fresh directory under the build tree, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace difscop::test
