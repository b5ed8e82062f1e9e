// A scratch start directory per test and small file helpers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/scripted_platform.h"
#include "settings/settings_file.h"
#include "textio/line_reader.h"
#include "workspace/workspace.h"

namespace difscop::settings::testing {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "");  // number conversions must not follow de_DE
    std::string tmpl =
        (std::filesystem::temp_directory_path() / "difscop_settings_XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
    ws = Fresh();
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"})
      if (const char* value = std::getenv(name)) saved[name] = value;
    // Never the user's real file.
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  }
  void TearDown() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME"})
      SetEnv(name, saved.count(name) ? saved[name].c_str() : nullptr);
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir, ec);
  }

  // Sets name to value, or removes it for nullptr.
  static void SetEnv(const char* name, const char* value) {
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  // A workspace started in the scratch directory.
  std::unique_ptr<workspace::Workspace> Fresh() const {
    auto fresh = std::make_unique<workspace::Workspace>();
    fresh->startDirectory = dir.string();
    return fresh;
  }
  std::filesystem::path Ini() const { return dir / "Difscop.ini"; }
  void WriteIni(const std::string& text) const { std::ofstream(Ini(), std::ios::binary) << text; }
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
  std::map<std::string, std::string> saved;
  std::unique_ptr<workspace::Workspace> ws;
  platform::ScriptedPlatform platform;
};

}  // namespace difscop::settings::testing
