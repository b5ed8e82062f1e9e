#include "platform/program_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/helper_programs.h"
#include "platform/scripted_platform.h"
#include "textio/line_reader.h"

using namespace difscop::platform;
namespace fs = std::filesystem;

namespace {

// A scratch current directory, and PATH, for the test's life.
struct TempCwd {
  TempCwd() {
    std::string name = (fs::temp_directory_path() / "difscop-run-XXXXXX").string();
    fs::current_path(dir = ::mkdtemp(name.data()));
    SetPath("/usr/bin:/bin");
  }
  ~TempCwd() {
    SetPath(oldPath);
    fs::current_path(old);
    fs::remove_all(dir);
  }
  static void SetPath(const std::string& path) { ::setenv("PATH", path.c_str(), 1); }
  std::string bin() const { return (dir / "bin").string(); }
  const fs::path old = fs::current_path();
  const std::string oldPath = std::getenv("PATH");
  fs::path dir;
};

void WriteScript(const fs::path& path, const std::string& body) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "#!/bin/sh\n" << body;
  fs::permissions(path, fs::perms::owner_all);
}

std::string Slurp(const fs::path& path) {
  return difscop::textio::ReadWholeFile(path).value_or("<missing>");
}

// A process that has ended, or a zombie nobody has reaped yet.
bool Gone(pid_t pid) {
  std::string stat;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
  const std::size_t close = stat.rfind(')');
  return stat.empty() ||
         (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z');
}

// Presses Stop once the program has said who it is.
struct StoppingPlatform : ScriptedPlatform {
  void WaitForProgram(const std::string&, const std::function<bool(bool)>& hasEnded,
                      const std::function<void()>& stop) override {
    for (int i = 0; i < 500 && !fs::exists("pids") && !hasEnded(false); ++i) ::usleep(10000);
    stop();
    endedAfterStop = hasEnded(false);
  }
  bool endedAfterStop = false;
};

}  // namespace

TEST(SplitCommandLine, QuotesGroupBlanksSeparateBackslashesEscapeOnlyQuotes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("  gedit   Ito.dat \t"), (V{"gedit", "Ito.dat"}));
  EXPECT_EQ(SplitCommandLine("\"/my dir/ed\" \"a b\"c x \"\""), (V{"/my dir/ed", "a bc", "x", ""}));
  EXPECT_EQ(SplitCommandLine("a\\b \"c\\\\\" d\\\"e"), (V{"a\\b", "c\\", "d\"e"}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
  EXPECT_EQ(QuoteArgument("Ito.dat"), "\"Ito.dat\"");
  for (std::string arg : {"/tmp/a b/c.txt", "say \"hi\"", "dir\\", "a\\\"b", "", "\t x"})
    EXPECT_EQ(SplitCommandLine("prog " + QuoteArgument(arg)), (V{"prog", arg}));
}

TEST(RunProgram, CurrentDirectoryBeforePathArgumentsUntouchedWindowsProgramsThroughWine) {
  TempCwd cwd;
  cwd.SetPath(cwd.bin() + ":/usr/bin:/bin");
  WriteScript(cwd.dir / "bin" / "tool", "echo path > which.txt\n");
  WriteScript(
      cwd.dir / "tool",
      "echo here > which.txt\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\" >> args.txt; done\n");
  ScriptedPlatform p;
  // A file name with blanks, a quote and a shell metacharacter: no shell sees it.
  std::string odd = "my file \"1\";$(touch pwned).dat";
  EXPECT_TRUE(RunProgram(p, QuoteArgument("tool") + " " + QuoteArgument(odd) + " plain", true));
  EXPECT_EQ(Slurp("which.txt"), "here\n");
  EXPECT_EQ(Slurp("args.txt"), "[" + odd + "]\n[plain]\n");
  EXPECT_FALSE(fs::exists("pwned"));
  // A desktop helper is never taken from the current directory.
  EXPECT_TRUE(RunProgram(p, "\"tool\"", true, Lookup::kPathOnly));
  EXPECT_EQ(Slurp("which.txt"), "path\n");
  EXPECT_TRUE(RunProgram(p, "\"sleep\" \"1\"", false));
  EXPECT_EQ(p.waitedPrograms, (std::vector<std::string>{"tool", "tool"})) << "no wait unasked";

  // What cannot run is named, with the reason.
  EXPECT_FALSE(RunProgram(p, "\"Treor90.exe\" \"Treor\"", true));
  EXPECT_FALSE(RunProgram(p, "/no/such/dir/editor Ito.dat", false));
  std::ofstream("plain.txt") << "x";
  EXPECT_FALSE(RunProgram(p, "./plain.txt", true));

  WriteScript(cwd.dir / "bin" / "wine", "printf '[%s]' \"$@\" > wine.txt\n");
  // As unpacked from a Windows archive: no execute bit.
  std::ofstream("Ito13.exe", std::ios::binary) << "MZ\x90" << std::string(61, '\0');
  const std::string ito = (cwd.dir / "Ito13.exe").string();
  EXPECT_TRUE(RunProgram(p, "\"Ito13.exe\" \"Ito\"", true));
  EXPECT_EQ(Slurp("wine.txt"), "[" + ito + "][Ito]");
  cwd.SetPath("/usr/bin:/bin");
  EXPECT_FALSE(RunProgram(p, "\"Ito13.exe\" \"Ito\"", true));
  EXPECT_EQ(p.messages, (std::vector<std::string>{
                            "Cannot execute Treor90.exe !!!\nTreor90.exe: not found in " +
                                cwd.dir.string() + " or on PATH",
                            "Cannot execute /no/such/dir/editor !!!\n/no/such/dir/editor: No such "
                            "file or directory",
                            "Cannot execute ./plain.txt !!!\n./plain.txt: Permission denied",
                            "Cannot execute Ito13.exe !!!\n" + ito +
                                " is a Windows program, and wine is not on PATH"}));
}

TEST(RunProgram, StopEndsTheProgramAndWhatItStarted) {
  // A program that never ends and ignores SIGTERM, with a child that does too.
  TempCwd cwd;
  WriteScript(cwd.dir / "hang",
              "trap '' TERM\nsleep 1000 &\necho $! > pids.tmp\necho $$ >> pids.tmp\n"
              "mv pids.tmp pids\nwhile :; do sleep 1; done\n");
  StoppingPlatform p;
  EXPECT_FALSE(RunProgram(p, "hang", true));
  EXPECT_TRUE(p.endedAfterStop);
  std::ifstream in("pids");
  pid_t child = 0, script = 0;
  ASSERT_TRUE(in >> child >> script);
  EXPECT_TRUE(Gone(script));
  // The orphaned child is reaped by whoever adopts it, in its own time.
  for (int i = 0; i < 200 && !Gone(child); ++i) ::usleep(10000);
  EXPECT_TRUE(Gone(child));
  EXPECT_TRUE(p.messages.empty());
}

// Neither a program we wait for, nor one left running, nor the document
// opener gets a descriptor of ours, however high it is numbered.
TEST(RunProgram, ChildrenGetNoDescriptorOfOurs) {
  TempCwd cwd;
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  if (limit.rlim_max < 3001) GTEST_SKIP() << "descriptors end at " << limit.rlim_max;
  const rlimit saved = limit;
  limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, 3001);
  ::setrlimit(RLIMIT_NOFILE, &limit);
  const int file = ::open("/dev/null", O_RDONLY);  // without O_CLOEXEC, as a library may leave it
  const int high[] = {::dup2(file, 700), ::dup2(file, 1500), ::dup2(file, 3000)};
  // Each lists the descriptors its shell holds, under the name once complete.
  WriteScript(cwd.dir / "lister", "/bin/ls /proc/$$/fd > \"$1.tmp\"\n/bin/mv \"$1.tmp\" \"$1\"\n");
  WriteScript(cwd.dir / "bin" / "xdg-open",
              "/bin/ls /proc/$$/fd > o.tmp\n/bin/mv o.tmp opened.txt\n");
  ScriptedPlatform p;
  EXPECT_TRUE(RunProgram(p, "lister waited.txt", true));
  EXPECT_TRUE(RunProgram(p, "lister detached.txt", false));
  cwd.SetPath(cwd.bin());
  std::ofstream("doc.html") << "<html></html>";
  EXPECT_TRUE(OpenDocument("doc.html"));
  for (const char* name : {"waited.txt", "detached.txt", "opened.txt"}) {
    for (int i = 0; i < 200 && !fs::exists(name); ++i) ::usleep(10000);
    std::istringstream in(Slurp(name));
    std::vector<int> held;
    for (int fd; in >> fd;) held.push_back(fd);
    EXPECT_FALSE(held.empty()) << name;
    for (int fd : {file, high[0], high[1], high[2]})
      EXPECT_EQ(std::count(held.begin(), held.end(), fd), 0) << name << " holds " << fd;
  }
  for (int fd : {file, high[0], high[1], high[2]}) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &saved);
}

TEST(OpenDocument, TheOpenerComesFromPathOnlyAndAMissingFileOrOpenerIsSeen) {
  TempCwd cwd;
  // Planted where the user's data is: must never run.
  WriteScript(cwd.dir / "xdg-open", "touch planted\n");
  WriteScript(cwd.dir / "bin" / "xdg-open", "printf '%s' \"$1\" > opened.txt\n");
  std::ofstream("help.html") << "<html></html>";
  cwd.SetPath(":.:" + cwd.bin());
  EXPECT_TRUE(OpenDocument("help.html"));
  EXPECT_EQ(Slurp("opened.txt"), (cwd.dir / "help.html").string());
  EXPECT_FALSE(OpenDocument("missing.html"));  // though this opener takes anything
  cwd.SetPath(":.:/no/such/dir");
  EXPECT_FALSE(OpenDocument("help.html"));
  // (An opener's own failure is seen by the picture viewing tests.)
  // An opener that shows the document itself and stays: taken as opened.
  WriteScript(cwd.dir / "bin" / "xdg-open", "exec /bin/sleep 2\n");
  cwd.SetPath(cwd.bin());
  EXPECT_TRUE(OpenDocument("help.html", 200));
  EXPECT_FALSE(fs::exists("planted"));
}

// A helper gets its input on standard input (a large one without either
// side waiting on the other) and gives back its output and how it ended:
// an exit status, a signal, a time limit run out (with what it started), or
// no start at all. Its standard error goes nowhere.
TEST(RunHelper, InputOutputAndEveryWayAHelperEnds) {
  TempCwd cwd;
  const std::string big(3 << 20, 'x');
  WriteScript(cwd.dir / "echo", "cat\necho noise >&2\nexit 3\n");
  WriteScript(cwd.dir / "crash", "head -c 5\nkill -SEGV $$\n");
  WriteScript(cwd.dir / "hang", "sleep 1000 &\necho $! > pid\nwhile :; do sleep 1; done\n");
  const std::string echo = (cwd.dir / "echo").string(), crash = (cwd.dir / "crash").string(),
                    hang = (cwd.dir / "hang").string();
  HelperRun run = RunHelper(echo, {echo}, big, 20000);
  EXPECT_EQ(run.end, HelperRun::End::kExited);
  EXPECT_EQ(run.code, 3);
  EXPECT_TRUE(run.output == big) << run.output.size();
  run = RunHelper(crash, {crash}, "12345678", 20000);
  EXPECT_EQ(run.end, HelperRun::End::kSignalled);
  EXPECT_EQ(run.code, SIGSEGV);
  EXPECT_EQ(run.output, "12345");
  EXPECT_EQ(HelperFailure(run, "the reader", 20000), "the reader stopped (signal 11)");
  run = RunHelper(hang, {hang}, "", 300);
  EXPECT_EQ(run.end, HelperRun::End::kTimedOut);
  EXPECT_EQ(HelperFailure(run, "the reader", 300), "the reader stopped (no result within 1 s)");
  pid_t child = 0;
  ASSERT_TRUE(std::ifstream("pid") >> child);
  for (int i = 0; i < 200 && !Gone(child); ++i) ::usleep(10000);
  EXPECT_TRUE(Gone(child));
  // Output beyond the bound ends the helper as a time limit does.
  EXPECT_EQ(RunHelper(echo, {echo}, big, 20000, 1 << 20).end, HelperRun::End::kTimedOut);
  run = RunHelper((cwd.dir / "none").string(), {"none"}, "", 1000);
  EXPECT_EQ(run.end, HelperRun::End::kNotStarted);
  EXPECT_EQ(run.code, ENOENT);
  EXPECT_EQ(HelperFailure({HelperRun::End::kExited, 1, ""}, "the reader", 1000),
            "the reader stopped (exit status 1)");
}

// From the build tree a helper is found in the tree; an installed program
// finds its own in libexec (the install test runs one).
TEST(RunHelper, HelpersOfThisBuildAreFound) {
  EXPECT_EQ(HelperProgramPath("difscop-index"),
            std::string(DIFSCOP_BINARY_DIR) + "/src/cli/difscop-index");
}
