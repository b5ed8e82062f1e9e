// difscop-cli export and render's picture files: the same bytes as the
// window's commands write for the same pattern.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "cli/cli_test_support.h"
#include "export/powder_commands.h"
#include "export/powder_data.h"
#include "export/sma4_writer.h"
#include "import/fitted_reader.h"
#include "import/open_commands.h"
#include "import/raw_reader.h"
#include "platform/scripted_platform.h"
#include "processing/smoothing.h"

namespace fs = std::filesystem;
using namespace difscop::cli::testing;
using namespace difscop;

namespace {

std::unique_ptr<workspace::Workspace> Open(bool fitted, int code, const std::string& file) {
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  platform::ScriptedPlatform platform;
  platform.openAnswers.push_back(file);
  (fitted ? import::OpenFittedCommand : import::OpenRawCommand)(*ws, platform, code);
  return ws;
}

// The (x,y) export of file, as the window's command writes it.
std::string XyExport(const std::string& file) {
  auto ws = Open(false, import::kXyText, file);
  std::string exported;
  EXPECT_EQ(exporter::FormatPowderData(*ws, exporter::kXy, 0, exported),
            exporter::PowderStatus::kOk);
  return exported;
}

}  // namespace

TEST(CliExport, EveryLayoutWritesTheCommandsBytes) {
  Scratch scratch;
  const std::string file = Example("xy_pattern.xy");
  const std::string start = "export xy " + Quote(file) + " --to ";
  auto ws = Open(false, import::kXyText, file);
  ASSERT_EQ(ws->rawLoaded, 1);
  std::string expected;
  for (const exporter::PowderFormatInfo& f : exporter::kPowderFormats) {
    const std::string out = scratch / (std::string(f.cliName) + f.defaultExtension);
    auto run = RunCli(start + f.cliName + " --data-type 0 --out " + Quote(out));
    EXPECT_EQ(run.status, 0) << f.cliName << run.err;
    ASSERT_EQ(exporter::FormatPowderData(*ws, f.format, 0, expected), exporter::PowderStatus::kOk);
    EXPECT_EQ(Slurp(out), expected) << f.cliName;
  }
  // Smoothed data with the smoothing asked for; without it, the messages.
  processing::SmoothPattern(*ws, 7);
  ws->smoothedValid = 1;
  auto run = RunCli(start + "rietan --data-type 3 --smooth 7 --out " + Quote(scratch / "s.int"));
  EXPECT_EQ(run.status, 0) << run.err;
  exporter::FormatPowderData(*ws, exporter::kRietanNormal, 3, expected);
  EXPECT_EQ(Slurp(scratch / "s.int"), expected);
  // Refusals (1) and bad arguments (2) write nothing.
  const std::pair<std::string, int> refused[] = {
      {start + "gsas --data-type 2", 1},
      {"export igor " + Quote(Example("fit_two_phases.pat")) + " --to xy --data-type 0", 1},
      {start + "tiff --data-type 0", 2},
      {start + "xy --data-type 4", 2},
      {start + "xy", 2},
      {start + "xy --data-type 0 --smooth 0", 2}};
  const char* said[] = {"Smoothing not performed !!!\nSaving Failed!!!", "Not Raw Data !!!"};
  for (std::size_t i = 0; i < std::size(refused); ++i) {
    run = RunCli(refused[i].first + " --out " + Quote(scratch / "refused.raw"));
    EXPECT_EQ(run.status, refused[i].second) << refused[i].first;
    if (i < 2) {
      EXPECT_NE(run.err.find(said[i]), std::string::npos) << run.err;
    }
  }
  EXPECT_FALSE(fs::exists(scratch / "refused.raw"));
}

TEST(CliRender, PictureFilesComeFromTheExportWriters) {
  Scratch scratch;
  const std::string file = Example("fit_two_phases.pat");
  const std::string start = "render igor " + Quote(file);
  auto ws = Open(true, import::kIgorPat, file);
  ASSERT_EQ(ws->blankPlot, 0);
  auto run = RunCli(start + " --out " + Quote(scratch / "fit.smp"));
  if (run.status == 2 && run.err.find("usage") != std::string::npos)
    GTEST_SKIP() << "difscop-cli built without Qt: no render subcommand";
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Slurp(scratch / "fit.smp"), exporter::FormatSma4File(*ws, true));
  RunCli(start + " --mono --out " + Quote(scratch / "mono.smp"));
  EXPECT_EQ(Slurp(scratch / "mono.smp"), exporter::FormatSma4File(*ws, false));

  run = RunCli(start + " --size 101x50 --out " + Quote(scratch / "fit.bmp"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(fs::file_size(scratch / "fit.bmp"), 15254u);
  // 101 by 50 pixels, one plane, 24 bits each.
  const std::string header("\x65\0\0\0\x32\0\0\0\1\0\x18\0", 12);
  EXPECT_EQ(Slurp(scratch / "fit.bmp").substr(18, 12), header);
  run = RunCli(start + " --size 320x200 --out " + Quote(scratch / "fit.emf"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Slurp(scratch / "fit.emf").substr(40, 4), " EMF");
  // Pictures are on white paper unless the window's navy ground is asked for.
  const std::string white = "fill=\"#ffffff\"", navy = "fill=\"#000080\"";
  for (const auto& [scheme, ground, not_ground] :
       {std::tuple{"", white, navy}, {" --scheme screen", navy, white}}) {
    run = RunCli(start + scheme + " --out " + Quote(scratch / "fit.svg"));
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string svg = Slurp(scratch / "fit.svg");
    EXPECT_TRUE(svg.find(ground) != std::string::npos && svg.find(not_ground) == std::string::npos)
        << scheme;
  }
  EXPECT_EQ(RunCli(start + " --scheme blue --out " + Quote(scratch / "x.svg")).status, 2);
}

// The targets a data export and a PNG picture meet (the text I/O tests have
// the rest): the refusal names the file and the reason, the exit status says
// it failed, what was there is kept and no temporary file is left.
TEST(CliWrite, OnlyRegularWritableFilesAreReplaced) {
  Scratch scratch;
  const std::string file = Example("xy_pattern.xy");
  const std::string exported = XyExport(file);
  const bool root = geteuid() == 0;
  auto old = [](const fs::path& p) { return static_cast<bool>(std::ofstream(p) << "old bytes"); };
  const std::string longName(255, 'n');
  const struct {
    const char* name;
    std::function<bool(const fs::path& dir)> make;  // creates dir/out; false: case not possible
    const char* reason;                             // nullptr: the write succeeds
    const char* through = "out";                    // the file that receives (or keeps) the bytes
  } cases[] = {
      {"regular", [&](const fs::path& d) { return old(d / "out"); }, nullptr},
      {"missing", [](const fs::path&) { return true; }, nullptr},
      {"link",
       [&](const fs::path& d) {
         fs::create_symlink("real", d / "out");
         return old(d / "real");
       },
       nullptr, "real"},
      {"longest name", [&](const fs::path& d) { return old(d / longName); }, nullptr,
       longName.c_str()},
      {"fifo", [](const fs::path& d) { return mkfifo((d / "out").c_str(), 0644) == 0; },
       "not a regular file (a FIFO)"},
      {"read-only file",
       [&](const fs::path& d) {
         old(d / "out");
         fs::permissions(d / "out", fs::perms::owner_read | fs::perms::group_read);
         return true;
       },
       "the file is write-protected"},
      {"link another user planted in /tmp or the like",
       [&](const fs::path& d) {
         fs::create_symlink("real", d / "out");
         fs::permissions(d, fs::perms::all | fs::perms::sticky_bit);
         return root && ::lchown((d / "out").c_str(), 4321, 4321) == 0 && old(d / "real");
       },
       "a link another user owns in a shared directory (sticky, writable by all) is not followed",
       "real"},
      {"full disk",
       [&](const fs::path& d) {
         if (!root || ::mount("tmpfs", d.c_str(), "tmpfs", 0, "size=8k") != 0) return false;
         return old(d / "out");
       },
       ""},  // the system's words, in the user's language
  };
  int n = 0;
  for (const auto& c : cases) {
    const fs::path dir = scratch.dir / std::to_string(++n);
    fs::create_directories(dir);
    if (!c.make(dir)) {
      std::printf("[ SKIPPED  ] %s: needs root\n", c.name);
      continue;
    }
    const fs::path target = c.through == longName ? dir / longName : dir / "out";
    const fs::path receiver = dir / c.through;
    const std::string before = fs::is_regular_file(receiver) ? Slurp(receiver) : "";
    for (const bool picture : {false, true}) {
      const std::string args = std::string(picture ? "render" : "export") + " xy " + Quote(file) +
                               (picture ? "" : " --to xy --data-type 0") + " --out " +
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
        EXPECT_EQ(fs::is_regular_file(receiver) ? Slurp(receiver) : before, before) << c.name;
      }
    }
    EXPECT_TRUE(c.through != std::string("real") || fs::is_symlink(dir / "out")) << c.name;
    EXPECT_TRUE(std::string(c.name) != "fifo" || fs::is_fifo(dir / "out"));
    for (const auto& e : fs::directory_iterator(dir))
      EXPECT_NE(e.path().filename().string().front(), '.') << c.name << ": " << e.path();
    fs::permissions(dir, fs::perms::owner_all);
    if (std::string(c.name) == "full disk") ::umount2(dir.c_str(), MNT_DETACH);
  }
}

// An export ended by SIGTERM, SIGINT or SIGHUP, at once or as soon as a
// temporary name appears in the directory (inotify), at any moment of the
// write: the old file or the whole new one, and nothing else, is left.
TEST(CliWrite, AnInterruptedExportLeavesNoTemporaryFile) {
  Scratch scratch;
  const std::string file = Example("xy_pattern.xy");
  const std::string exported = XyExport(file);
  const std::string out = scratch / "out.dat";
  const std::string cli = std::string(DIFSCOP_BINARY_DIR) + "/src/cli/difscop-cli";
  const char* argv[] = {cli.c_str(),   "export", "xy",    file.c_str(), "--to", "xy",
                        "--data-type", "0",      "--out", out.c_str(),  nullptr};
  int interrupted = 0;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    for (int delay = 0; delay < 24000; delay += 2000) {
      SCOPED_TRACE(testing::Message() << "signal " << signal << " after " << delay << " us");
      WriteFile(out, "old bytes");
      const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
      ASSERT_GE(watch, 0);
      ::inotify_add_watch(watch, scratch.dir.c_str(), IN_CREATE | IN_MOVED_TO);
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::signal(signal, SIG_DFL);  // a background job's shell may ignore SIGINT
        ::execv(argv[0], const_cast<char* const*>(argv));
        ::_exit(127);
      }
      // Up to the delay, or until a hidden name is created.
      pollfd ready{watch, POLLIN, 0};
      for (int waited = 0; waited < delay;) {
        if (::poll(&ready, 1, 1) > 0) {
          alignas(inotify_event) char events[4096];
          const ssize_t n = ::read(watch, events, sizeof events);
          bool named = false;
          for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(events + at);
            named = named || (e->len > 0 && e->name[0] == '.');
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
          }
          if (named) break;
        }
        waited += 1000;
      }
      ::kill(child, signal);
      int status = 0;
      ::waitpid(child, &status, 0);
      ::close(watch);
      interrupted += WIFSIGNALED(status) ? 1 : 0;
      const std::string now = Slurp(out);
      EXPECT_TRUE(now == "old bytes" || now == exported) << now.size() << " bytes";
      for (const auto& e : fs::directory_iterator(scratch.dir))
        EXPECT_EQ(e.path().filename(), "out.dat");
    }
  }
  // Most runs were cut short, or the test would show nothing.
  EXPECT_GT(interrupted, 18);
}

// A file this program wrote opens again by its content, whatever the name it
// was saved under: each layout as .prf (the FullProf export's default, which
// the FullProf profile reader would otherwise claim) and as .txt. Zero
// intensities, which background-subtracted data have, come back too.
TEST(CliExport, OurOwnExportsOpenAgainByContent) {
  Scratch scratch;
  auto ws = std::make_unique<workspace::Workspace>();
  workspace::ResetWorkspace(*ws);
  const int n = 500;
  for (int i = 1; i <= n; ++i)
    ws->obs[i] = {10.0f + 0.02f * static_cast<float>(i - 1), static_cast<float>(i * 37 % 400)};
  ws->obsCount = n;
  ws->stepStart = ws->obs[1].x;
  ws->stepWidth = 0.02f;
  ws->stepEnd = ws->obs[n].x;
  for (int format = 0; format < exporter::kPowderFormatCount; ++format) {
    std::string text;
    ASSERT_EQ(exporter::FormatPowderData(*ws, format, exporter::kOneSteppedObserved, text),
              exporter::PowderStatus::kOk);
    for (const char* extension : {".prf", ".txt"}) {
      const std::string path = scratch / ("export" + std::to_string(format) + extension);
      WriteFile(path, text);
      SCOPED_TRACE(path);
      auto back = std::make_unique<workspace::Workspace>();
      workspace::ResetWorkspace(*back);
      platform::ScriptedPlatform platform;
      ASSERT_TRUE(import::LoadFileByType(*back, platform, path))
          << ::testing::PrintToString(platform.messages);
      ASSERT_EQ(back->obsCount, n);
      for (int i = 1; i <= n; ++i) {
        ASSERT_NEAR(back->obs[i].x, ws->obs[i].x, 1e-4) << i;
        ASSERT_EQ(back->obs[i].y, ws->obs[i].y) << i;
      }
    }
  }
}
