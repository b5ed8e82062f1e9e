// A scratch start directory per test and the settings file in it; the
// user's own configuration is kept out of reach.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/scripted_platform.h"
#include "settings/settings_file.h"
#include "textio/line_reader.h"

namespace difscop::settings::testing {

using V = std::vector<std::string>;

// The fifteen display values in the order the file holds them.
inline std::vector<int> DisplayValues(const Workspace& w) {
  return {int(w.colFrame), int(w.colBack), int(w.colFont),  int(w.colBase),    int(w.colCalc),
          int(w.colObs),   int(w.colDiff), int(w.colRef),   int(w.colObsFill), int(w.colDiffFill),
          w.fontSize,      w.obsDotRadius, w.diffDotRadius, w.calcLineWidth,   w.frameLineWidth};
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "");  // number conversions must not follow de_DE
    std::string tmpl =
        (std::filesystem::temp_directory_path() / "difscop_settings_XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
    ws = Fresh();
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);  // never the user's real file
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // A workspace started in the scratch directory.
  std::unique_ptr<Workspace> Fresh() const {
    auto fresh = std::make_unique<Workspace>();
    fresh->startDirectory = dir.string();
    return fresh;
  }
  std::filesystem::path Ini() const { return dir / "Difscop.ini"; }
  static void Put(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }
  void WriteIni(const std::string& text) const { Put(Ini(), text); }
  std::string ReadIni() const { return textio::ReadWholeFile(Ini()).value_or("<missing>"); }
  // The settings file holds text; the program reads it as at start.
  void Read(const std::string& text) {
    WriteIni(text);
    ReadSettings(*ws, platform);
  }
  // Save Para, answered Yes.
  void Save() {
    platform.yesNoAnswers = {true};
    SaveParaCommand(*ws, platform);
  }

  std::filesystem::path dir;
  std::unique_ptr<Workspace> ws;
  platform::ScriptedPlatform platform;
};

}  // namespace difscop::settings::testing
