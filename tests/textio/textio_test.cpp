#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "textio/line_reader.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace fs = std::filesystem;
using namespace difscop::textio;
using namespace std::string_literals;

namespace {
// Each line in brackets, "$" where the end-of-file indicator is set; a
// failed read leaves the line empty.
std::string AllLines(LineReader& r) {
  std::string line, all;
  while (r.ReadLine(line)) all += "[" + line + "]" + (r.Eof() ? "$" : "");
  return all + line;
}

// A scratch directory for one test.
struct ScratchDir {
  ScratchDir() { fs::create_directories(path); }
  ~ScratchDir() { fs::remove_all(path); }
  auto Entries() const {
    return std::distance(fs::recursive_directory_iterator(path),
                         fs::recursive_directory_iterator());
  }
  fs::path path = fs::temp_directory_path() / ("difscop_textio_" + std::to_string(::getpid()));
};

// Lays out directory d: "f NAME MODE" a file holding "old", "l NAME TO" a
// link (a TO starting with '/' inside d), "d NAME" a directory, "p NAME" a
// FIFO, "m NAME MODE" a new mode, "o NAME UID" a new owner (of a link itself).
void Lay(const fs::path& d, const std::string& layout) {
  std::istringstream in(layout);
  for (std::string op, name, arg; in >> op >> name;) {
    const fs::path p = d / name;
    if (op == "f") std::ofstream(p) << "old";
    if (op == "d") fs::create_directory(p);
    if (op == "p") ::mkfifo(p.c_str(), 0644);
    if ((op == "f" || op == "m") && in >> arg) ::chmod(p.c_str(), std::stoi(arg, nullptr, 8));
    if (op == "l" && in >> arg) fs::create_symlink(arg[0] == '/' ? d.string() + arg : arg, p);
    if (op == "o" && in >> arg) ::lchown(p.c_str(), std::stoi(arg), std::stoi(arg));
  }
}

// out -> l<n-1> -> ... -> l1 -> real: a chain of n links.
std::string Chain(int links) {
  std::string layout = "f real 644 l l1 real";
  for (int i = 2; i < links; ++i)
    layout += " l l" + std::to_string(i) + " l" + std::to_string(i - 1);
  return layout + " l out l" + std::to_string(links - 1);
}

// What stands at p: the kind of entry, the text a read gives ("-" for none)
// and the mode of the file it names (unknown for none).
std::tuple<fs::file_type, std::string, fs::perms> Entry(const fs::path& p) {
  std::error_code ec;  // a loop has no status
  return {fs::symlink_status(p).type(), ReadWholeFile(p).value_or("-"),
          fs::status(p, ec).permissions()};
}
}  // namespace

TEST(LineReader, EveryDesktopsLineEndIsOneBreakAndLongLinesArriveInPieces) {
  // LF, CR LF, a lone CR (classic Mac), and a CR at the very end.
  LineReader ends("a\nb\r\nc\rd\r\re\r");
  EXPECT_EQ(AllLines(ends), "[a\n][b\n][c\n][d\n][\n][e\n]");
  EXPECT_EQ(NormalizeLineEnds("x\r\r\ny"), "x\n\ny");
  EXPECT_EQ(std::string(StripLineFeed("ab\n")) + "|" + std::string(StripLineFeed("ab")), "ab|ab");
  LineReader r("one\r\n" + std::string(300, 'a') + "\r\nlast");
  EXPECT_EQ(AllLines(r),
            "[one\n][" + std::string(259, 'a') + "][" + std::string(41, 'a') + "\n][last]$");
  r.Rewind();
  std::string found;
  EXPECT_TRUE(!r.Eof() && r.SkipToPrefix("aaa", &found) && !r.SkipToPrefix("one"));
  EXPECT_EQ(found.size(), 259u);
}

TEST(LineReader, TokensAcrossLinesAndEndOfFileIndicator) {
  LineReader r("3\r\n 10.0 0.5\nx 6\n7");
  int n = 0;
  float a = 0, b = 0;
  ASSERT_TRUE(r.ReadInt(n) && r.ReadFloat(a) && r.ReadFloat(b));
  EXPECT_EQ(std::tuple(n, a, b), std::tuple(3, 10.0f, 0.5f));
  // A failed read stops at what it cannot read.
  EXPECT_FALSE(r.ReadInt(n) || r.ReadFloat(a));
  EXPECT_EQ(r.Text().substr(r.Position(), 1), "x");
  ASSERT_TRUE(r.SkipToPrefix("x") && !r.Eof() && r.ReadInt(n));
  EXPECT_TRUE(n == 7 && r.Eof()) << "a number that ends the text";
  LineReader blanks("1.5  \n ");
  double d = 0;
  EXPECT_TRUE(blanks.ReadDouble(d) && !blanks.Eof() && !blanks.ReadInt(n) && blanks.Eof());
  blanks.Rewind();
  EXPECT_TRUE(blanks.ReadDouble(d) && !blanks.ReadDouble(d) && blanks.Eof());
}

TEST(Scan, CLibrarySemantics) {
  // ParseDouble: the characters used, white space included; 0 for none. A
  // fixed-width column is a view into a longer line, and the number ends
  // with it.
  // clang-format off
  const std::tuple<std::string_view, std::size_t, double> numbers[] = {
      {"1.5e3", 5, 1500.0}, {"  -20.04(3)", 8, -20.04}, {".5", 2, 0.5}, {"7.", 2, 7.0},
      {"1,5", 1, 1.0}, {"+.25(3)", 4, 0.25}, {"1e999", 5, HUGE_VAL}, {"-1e-999", 7, -0.0},
      {"x1", 0, 0.0}, {"  -", 0, 0.0}, {"\t\n\v\f\r 2", 7, 2.0}, {{"20.125 7", 5}, 5, 20.12}};
  // clang-format on
  for (const auto& [text, used, value] : numbers) {
    double v = 0;
    EXPECT_EQ(ParseDouble(text, v), used) << text;
    EXPECT_EQ(v, used ? value : 0.0) << text;
  }
  float a = 0, b = 0, c = 0;
  EXPECT_TRUE(ScanTwoFloats("  20.5\t-1.5e2xyz", a, b) && a == 20.5f && b == -150.0f);
  EXPECT_FALSE(ScanTwoFloats("20.5 abc", a, b) || ScanThreeFloats("1 2 x", a, b, c));
  EXPECT_TRUE(ScanThreeFloats("1 2 3", a, b, c) && c == 3.0f);
  EXPECT_EQ((std::vector<int>{ToInt("  65535 yellow"), ToInt("x1"), ToInt("99999999999"),
                              ToInt("-99999999999"), ToInt({"27", 1})}),
            (std::vector<int>{65535, 0, 2147483647, -2147483647 - 1, 2}));
  Scanner s("Start 10.00 -3 rest");
  std::string word;
  float start = 0;
  int step = 0;
  EXPECT_TRUE(s.Word(word) && s.Float(start) && s.Int(step));
  EXPECT_EQ(std::tuple(word, start, step, s.Rest()), std::tuple("Start"s, 10.0f, -3, " rest"s));
  Scanner field(std::string_view("7 \t 8").substr(0, 2));
  EXPECT_TRUE(field.Int(step) && !field.Word(word) && field.Rest().empty());
  // What a user types is a number as a whole, or nothing.
  EXPECT_EQ(ParseFiniteNumber(" 1.5406 "), 1.5406);
  for (const char* refused :
       {"1,5", "nan", "inf", "-INF", "1e999", "3.5e38", "-1e39", "", " ", "2x", "0x10"})
    EXPECT_FALSE(ParseFiniteNumber(refused).has_value()) << refused;
}

// Plain decimals take a shortcut; it must agree with the general conversion
// bit for bit, and hand everything else over.
TEST(Scan, PlainDecimalsAgreeWithTheGeneralConversion) {
  std::mt19937_64 random(3);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 17);
    std::string s = std::to_string(random() % 100000000000000000ULL).substr(0, digits);
    const std::size_t point = random() % (s.size() + 1);
    if (point > 0 && point < s.size()) s.insert(point, ".");
    s += " 12";
    double expected = 0, got = -1;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), expected);
    ASSERT_EQ(ParseDouble(s, got), static_cast<std::size_t>(end - s.data())) << s;
    ASSERT_EQ(got, expected) << s;
  }
}

// Data lines of two plain decimals are read in one go; every line must give
// what reading the two numbers one after the other gives, whatever it holds.
TEST(Scan, TwoNumbersAtOnceAsOneAfterTheOther) {
  const char* const pieces[] = {"5.000", "-0.25", "+12", "333", "1e3",  ".5",  "7.",  "abc", "",
                                "\t",   "  ",    "-",   "12345678901234567", "0.000001", "inf", "\n"};
  std::mt19937_64 random(5);
  for (int i = 0; i < 50000; ++i) {
    std::string line;
    for (int k = 0, n = 1 + static_cast<int>(random() % 4); k < n; ++k)
      line += std::string(pieces[random() % std::size(pieces)]) + (random() % 3 ? " " : "");
    float a = -1, b = -2, x = -1, y = -2;
    Scanner s(line);
    const bool one = s.Float(x) && s.Float(y);
    ASSERT_EQ(ScanTwoFloats(line, a, b), one) << line;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(a), std::bit_cast<std::uint32_t>(x)) << line;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(b), std::bit_cast<std::uint32_t>(y)) << line;
  }
}

TEST(TextWriter, CrLfAndCLocaleNumbersEvenUnderAGermanLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // ignored when not generated
  // Converted by hand and by the library alike.
  const std::tuple<const char*, double, const char*> numbers[] = {
      {"%8.3f", 1.5, "   1.500"}, {"%.2f", -0.125, "-0.12"}, {"%e", 1234.5, "1.234500e+03"},
      {"%g", 0.25, "0.25"},       {"%#.0f", 2.0, "2."},      {"%10.4f", 20.04, "   20.0400"}};
  for (const auto& [format, value, expected] : numbers) EXPECT_EQ(Format(format, value), expected);
  TextWriter w;
  w.LineF("%8.3f%6d", 1.5, 42);
  w.Line("x");
  w.Fixed(2.25, 6, 1);
  w.RawF("|%s", "y");
  EXPECT_EQ(w.Contents(), "   1.500    42\r\nx\r\n   2.2|y");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

// A regular file is replaced whole, through any links, and keeps its mode;
// anything else, or a write that runs out of room half way, leaves the file,
// the links and the directory as they were and no temporary file beside
// them. Root is held back by a missing write bit and a file-size limit too,
// and by a link another user planted in a sticky directory anyone may write
// to, at the end of the path or inside it (giving links away takes root).
TEST(AtomicWrite, ReplacesRegularFilesThroughLinksAndRefusesAnythingElse) {
  const mode_t umask = ::umask(0);
  ::umask(umask);
  const std::string kPlanted =
      "a link another user owns in a shared directory (sticky, writable by all) is not followed";
  struct Case {
    const char* what;
    std::string layout, refusal;  // empty refusal: written
    rlim_t sizeLimit = RLIM_INFINITY;
  };
  const Case cases[] = {
      {"new file", "", ""},
      {"existing file", "f out 640", ""},
      {"link to a relative link", "f real 604 d sub l sub/link ../real l out /sub/link", ""},
      {"dangling link", "l out new", ""},
      {"link into a missing directory", "l out missing/x", strerror(ENOENT)},
      {"link loop", "l out out", strerror(ELOOP)},
      {"40 links, as many as the kernel follows", Chain(40), ""},
      {"41 links", Chain(41), strerror(ELOOP)},
      {"FIFO", "p out", "not a regular file (a FIFO)"},
      {"directory", "d out", "not a regular file (a directory)"},
      {"write-protected file", "f out 444", "the file is write-protected"},
      {"write-protected directory", "f out 644 m . 555", "its directory is write-protected"},
      {"out of room", "f out 644", strerror(EFBIG), 2},
      {"planted link", "f real 644 l out real o out 4321 m . 1777", kPlanted},
      {"planted link inside the path", "d d m d 1777 l d/s /sub d sub l out d/s/f o d/s 4321",
       kPlanted},
      {"link of the directory's owner", "f real 644 l out real o out 4321 o . 4321 m . 1777", ""},
      {"link of another user, sticky but not shared", "f real 644 l out real o out 4321 m . 1755",
       ""},
  };
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.layout.find(" o ") != std::string::npos && ::geteuid() != 0) continue;
    ScratchDir dir;
    const fs::path out = dir.path / "out";
    Lay(dir.path, c.layout);
    const auto before = Entry(out);
    const auto [kind, text, mode] = before;
    const bool existed = mode != fs::perms::unknown;
    const auto entries = dir.Entries();
    std::string error;
    rlimit limit{std::min(c.sizeLimit, saved.rlim_max), saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = WriteFileAtomically(out, "new\r\n", &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    ::chmod(dir.path.c_str(), 0755);
    EXPECT_EQ(written, c.refusal.empty());
    EXPECT_EQ(error, written ? "" : out.string() + ": " + c.refusal);
    const auto after = std::tuple(kind == fs::file_type::not_found ? fs::file_type::regular : kind,
                                  "new\r\n"s, existed ? mode : fs::perms(0666 & ~umask));
    EXPECT_EQ(Entry(out), written ? after : before);
    EXPECT_EQ(dir.Entries(), entries + (written && !existed ? 1 : 0));
  }
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(WriteFileAtomically("", "x"));
}

// Writing a new file never sets the process's umask, not even for a moment:
// another thread creating a file meanwhile (a picture export while a search
// runs) would give it to everyone to write. Here setting it ends the
// process (a seccomp filter), so a write that reads the umask by setting it
// fails the test however the threads would have been scheduled.
TEST(AtomicWriteDeathTest, NewFilesLeaveTheUmaskAlone) {
  ScratchDir dir;
  const mode_t mask = ::umask(022);
  auto writeWithoutUmask = [&dir] {
    sock_filter filter[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_umask, 0, 1),
                            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
                            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
      std::_Exit(3);
    const bool written = WriteFileAtomically(dir.path / "new", "x");
    std::_Exit(written && fs::status(dir.path / "new").permissions() == fs::perms(0644) ? 0 : 1);
  };
  EXPECT_EXIT(writeWithoutUmask(), ::testing::ExitedWithCode(0), "");
  ::umask(mask);
}

TEST(ReadTextFile, RegularTextFilesOnlyAndBoundedToWholeLines) {
  ScratchDir dir;
  fs::path file = dir.path / "in.txt";
  std::string reason;
  EXPECT_FALSE(ReadWholeFile(dir.path / "nope") || ReadWholeFile(dir.path, &reason));
  EXPECT_EQ(reason, "not a regular file (a directory)");
  // A bounded read keeps whole lines only, or refuses when it may not cut.
  ASSERT_TRUE(WriteFileAtomically(file, "12.5 1\n13.25 2\n14 3\n"));
  bool cut = false, whole = true;
  EXPECT_EQ(ReadTextFile(file, 18, &reason, &cut), "12.5 1\n13.25 2\n");
  EXPECT_EQ(ReadTextFile(file, 22, &reason, &whole), "12.5 1\n13.25 2\n14 3\n");
  EXPECT_TRUE(cut && !whole);
  EXPECT_FALSE(ReadTextFile(file, 18, &reason).has_value());
  EXPECT_EQ(reason, "larger than 18 bytes");
  // A file whose size is not known beforehand is bounded all the same.
  EXPECT_FALSE(ReadTextFile("/proc/self/status", 100, &reason).has_value());
  EXPECT_EQ(reason, "larger than 100 bytes");
  EXPECT_NE(ReadWholeFile("/proc/self/status").value_or("").find("Name:"), std::string::npos);
  // UTF-16, marked or not, is refused; a UTF-8 mark is dropped.
  // clang-format off
  const std::pair<std::string, std::string> texts[] = {
      {"\xFF\xFE\x31\0"s, "-"}, {"1\0.\0"s, "-"}, {"\0\x31\0\t"s, "-"},
      {"\xEF\xBB\xBF\x31\x32 3\n"s, "12 3\n"}, {"\x01\0\x02\0"s, "\x01\0\x02\0"s}, {"ab", "ab"}};
  // clang-format on
  for (const auto& [bytes, expected] : texts) {
    ASSERT_TRUE(WriteFileAtomically(file, bytes));
    EXPECT_EQ(ReadWholeFile(file).value_or("-"), expected) << bytes;
  }
}
