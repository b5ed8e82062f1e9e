// A scratch start directory per test and small file helpers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "platform/scripted_platform.h"
#include "textio/line_reader.h"
#include "workspace/workspace.h"

namespace difscop::settings::testing {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Number conversions must not follow the user's locale (run under de_DE).
    std::setlocale(LC_ALL, "");
    std::string tmpl =
        (std::filesystem::temp_directory_path() / "difscop_settings_XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
    ws = std::make_unique<workspace::Workspace>();
    ws->startDirectory = dir.string();
    // Without a file in the start directory the user's own is used: never
    // the real one.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config) savedConfigHome = config;
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  }
  void TearDown() override {
    if (savedConfigHome)
      setenv("XDG_CONFIG_HOME", savedConfigHome->c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    ws.reset();
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir, ec);
  }

  std::filesystem::path Ini() const { return dir / "Difscop.ini"; }
  void WriteIni(const std::string& text) const { std::ofstream(Ini(), std::ios::binary) << text; }
  std::string ReadIni() const { return textio::ReadWholeFile(Ini()).value_or("<missing>"); }
  std::size_t FilesInDir() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
  }

  std::filesystem::path dir;
  std::optional<std::string> savedConfigHome;
  std::unique_ptr<workspace::Workspace> ws;
  platform::ScriptedPlatform platform;
};

}  // namespace difscop::settings::testing
