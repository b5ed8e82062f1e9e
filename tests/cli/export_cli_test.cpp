// difscop-cli export and render's picture files: the same bytes as the
// window's commands write for the same pattern.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "cli/cli_test_support.h"
#include "export/powder_commands.h"
#include "export/powder_data.h"
#include "export/sma4_writer.h"
#include "import/open_commands.h"
#include "platform/scripted_platform.h"
#include "processing/smoothing.h"

namespace fs = std::filesystem;
using difscop::cli::testing::Quote;
using difscop::cli::testing::RunCli;
using namespace difscop;

namespace {

std::string Example(const char* name) {
  return (fs::path(DIFSCOP_SOURCE_DIR) / "examples" / name).string();
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::unique_ptr<workspace::Workspace> Open(bool fitted, int code, const std::string& file) {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  platform::ScriptedPlatform platform;
  platform.openAnswers.push_back(file);
  if (fitted)
    import::OpenFittedCommand(*ws, platform, code);
  else
    import::OpenRawCommand(*ws, platform, code);
  return ws;
}

struct Scratch {
  fs::path dir = fs::temp_directory_path() / ("difscop_cli_export_" + std::to_string(getpid()));
  Scratch() { fs::create_directories(dir); }
  ~Scratch() { fs::remove_all(dir); }
};

}  // namespace

TEST(CliExport, EveryLayoutWritesTheCommandsBytes) {
  Scratch scratch;
  const std::string file = Example("xy_pattern.xy");
  auto ws = Open(false, 4, file);
  ASSERT_EQ(ws->rawLoaded, 1);
  for (const exporter::PowderFormatInfo& f : exporter::kPowderFormats) {
    fs::path out = scratch.dir / (std::string(f.cliName) + f.defaultExtension);
    auto run = RunCli("export xy " + Quote(file) + " --to " + f.cliName + " --data-type 0 --out " +
                      Quote(out.string()));
    EXPECT_EQ(run.status, 0) << f.cliName << run.err;
    std::string expected;
    ASSERT_EQ(exporter::FormatPowderData(*ws, f.format, 0, expected), exporter::PowderStatus::kOk);
    EXPECT_EQ(Slurp(out), expected) << f.cliName;
  }

  // Smoothed data with the smoothing asked for; without it, the messages.
  processing::SmoothPattern(*ws, 7);
  ws->smoothedValid = 1;
  fs::path smoothed = scratch.dir / "smoothed.int";
  auto run = RunCli("export xy " + Quote(file) + " --to rietan --data-type 3 --smooth 7 --out " +
                    Quote(smoothed.string()));
  EXPECT_EQ(run.status, 0) << run.err;
  std::string expected;
  exporter::FormatPowderData(*ws, exporter::kRietanNormal, 3, expected);
  EXPECT_EQ(Slurp(smoothed), expected);

  fs::path refused = scratch.dir / "refused.raw";
  run = RunCli("export xy " + Quote(file) + " --to gsas --data-type 2 --out " +
               Quote(refused.string()));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Smoothing not performed !!!\nSaving Failed!!!"), std::string::npos);
  run = RunCli("export igor " + Quote(Example("fit_two_phases.pat")) +
               " --to xy --data-type 0 --out " + Quote(refused.string()));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Not Raw Data !!!"), std::string::npos);
  EXPECT_FALSE(fs::exists(refused));

  // Bad arguments are usage errors.
  for (const char* bad : {"--to tiff --data-type 0", "--to xy --data-type 4", "--to xy",
                          "--to xy --data-type 0 --smooth 0"}) {
    run = RunCli("export xy " + Quote(file) + " " + bad + " --out " + Quote(refused.string()));
    EXPECT_EQ(run.status, 2) << bad;
  }
}

TEST(CliRender, PictureFilesComeFromTheExportWriters) {
  Scratch scratch;
  const std::string file = Example("fit_two_phases.pat");
  auto ws = Open(true, 0, file);
  ASSERT_EQ(ws->blankPlot, 0);
  fs::path smp = scratch.dir / "fit.smp";
  fs::path mono = scratch.dir / "mono.smp";
  fs::path bmp = scratch.dir / "fit.bmp";
  fs::path emf = scratch.dir / "fit.emf";
  auto run = RunCli("render igor " + Quote(file) + " --out " + Quote(smp.string()));
  if (run.status == 2 && run.err.find("usage") != std::string::npos) {
    GTEST_SKIP() << "difscop-cli built without Qt: no render subcommand";
  }
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Slurp(smp), exporter::FormatSma4File(*ws, true));
  run = RunCli("render igor " + Quote(file) + " --mono --out " + Quote(mono.string()));
  EXPECT_EQ(Slurp(mono), exporter::FormatSma4File(*ws, false));

  run = RunCli("render igor " + Quote(file) + " --size 101x50 --out " + Quote(bmp.string()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(fs::file_size(bmp), 15254u);
  // The system's file(1) recognises the layout.
  if (std::system("command -v file >/dev/null 2>&1") == 0) {
    auto pipe = popen(("file -b " + Quote(bmp.string())).c_str(), "r");
    char line[256] = {};
    std::fgets(line, sizeof line, pipe);
    pclose(pipe);
    EXPECT_NE(std::string(line).find("101 x 50 x 24"), std::string::npos) << line;
  }
  run = RunCli("render igor " + Quote(file) + " --size 320x200 --out " + Quote(emf.string()));
  EXPECT_EQ(run.status, 0) << run.err;
  std::string bytes = Slurp(emf);
  ASSERT_GT(bytes.size(), 88u);
  EXPECT_EQ(bytes.substr(40, 4), " EMF");
}
