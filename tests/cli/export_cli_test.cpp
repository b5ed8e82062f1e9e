// difscop-cli export and render's picture files: the same bytes as the
// window's commands write for the same pattern.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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

// Every kind of target the writing path meets, through a data export and a
// PNG picture: the refusal names the file and the reason, the exit status
// says it failed, what was there is kept and no temporary file is left.
TEST(CliWrite, OnlyRegularWritableFilesAreReplaced) {
  Scratch scratch;
  const std::string file = Example("xy_pattern.xy");
  auto ws = Open(false, 4, file);
  std::string exported;
  ASSERT_EQ(exporter::FormatPowderData(*ws, exporter::kXy, 0, exported), exporter::PowderStatus::kOk);
  const bool root = geteuid() == 0;
  struct Case {
    const char* name;
    std::function<bool(const fs::path& dir)> make;  // creates dir/out; false: case not possible
    const char* reason;                             // nullptr: the write succeeds
    const char* through = "out";                    // the file that receives (or keeps) the bytes
  };
  auto old = [](const fs::path& p) {
    std::ofstream(p) << "old bytes";
    return true;
  };
  const std::string longName(255, 'n');
  const Case cases[] = {
      {"regular", [&](const fs::path& d) { return old(d / "out"); }, nullptr},
      {"missing", [](const fs::path&) { return true; }, nullptr},
      {"link", [&](const fs::path& d) { fs::create_symlink("real", d / "out"); return old(d / "real"); },
       nullptr, "real"},
      {"dangling link", [](const fs::path& d) { fs::create_symlink("real", d / "out"); return true; },
       nullptr, "real"},
      {"longest name", [&](const fs::path& d) { return old(d / longName); }, nullptr, longName.c_str()},
      {"fifo", [](const fs::path& d) { return mkfifo((d / "out").c_str(), 0644) == 0; },
       "not a regular file (a FIFO)"},
      {"device", [](const fs::path& d) {
         if (mknod((d / "out").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) return true;
         fs::create_symlink("/dev/null", d / "out");
         return true;
       }, "not a regular file (a character device)"},
      {"read-only file", [&](const fs::path& d) {
         old(d / "out");
         fs::permissions(d / "out", fs::perms::owner_read | fs::perms::group_read);
         return true;
       }, "the file is write-protected"},
      {"read-only directory", [&](const fs::path& d) {
         old(d / "out");
         fs::permissions(d, fs::perms::owner_read | fs::perms::owner_exec);
         return true;
       }, "its directory is write-protected"},
      {"full disk", [&](const fs::path& d) {
         if (!root || ::mount("tmpfs", d.c_str(), "tmpfs", 0, "size=8k") != 0) return false;
         return old(d / "out");
       }, ""},  // the system's words, in the user's language
  };
  int n = 0;
  for (const Case& c : cases) {
    const fs::path dir = scratch.dir / std::to_string(++n);
    fs::create_directories(dir);
    if (!c.make(dir)) {
      std::printf("[ SKIPPED  ] %s: no small file system can be mounted here\n", c.name);
      continue;
    }
    const fs::path target = c.through == longName ? dir / longName : dir / "out";
    const fs::path receiver = dir / c.through;
    const std::string before = fs::is_regular_file(receiver) ? Slurp(receiver) : "";
    for (const bool picture : {false, true}) {
      const std::string args = picture ? "render xy " + Quote(file) + " --out " + Quote(target.string())
                                       : "export xy " + Quote(file) + " --to xy --data-type 0 --out " +
                                             Quote(target.string());
      auto run = RunCli(args);
      if (picture && run.status == 2) continue;  // built without Qt
      if (!c.reason) {
        EXPECT_EQ(run.status, 0) << c.name << run.err;
        const std::string bytes = Slurp(receiver);
        EXPECT_EQ(picture ? bytes.substr(0, 4) : bytes, picture ? "\x89PNG" : exported) << c.name;
      } else {
        EXPECT_EQ(run.status, 1) << c.name;
        const std::string said = std::string(picture ? "" : "Cannot Data File Open !!\n") +
                                 target.string() + ": " + c.reason;
        EXPECT_NE(run.err.find(said), std::string::npos) << c.name << ": " << run.err;
        if (fs::is_regular_file(receiver)) {
          EXPECT_EQ(Slurp(receiver), before) << c.name;
        }
      }
    }
    if (c.through == std::string("real")) {
      EXPECT_TRUE(fs::is_symlink(dir / "out")) << c.name;
    }
    if (std::string(c.name) == "fifo") {
      EXPECT_TRUE(fs::is_fifo(dir / "out"));
    }
    for (const auto& e : fs::directory_iterator(dir))
      EXPECT_NE(e.path().filename().string().front(), '.') << c.name << ": " << e.path();
    fs::permissions(dir, fs::perms::owner_all);
    if (std::string(c.name) == "full disk") ::umount2(dir.c_str(), MNT_DETACH);
  }
}
