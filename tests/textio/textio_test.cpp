#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
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
}  // namespace

TEST(LineReader, EveryDesktopsLineEndIsOneBreakAndLongLinesArriveInPieces) {
  // LF, CR LF, a lone CR (classic Mac), and a CR at the very end.
  LineReader ends("a\nb\r\nc\rd\r\re\r");
  EXPECT_EQ(AllLines(ends), "[a\n][b\n][c\n][d\n][\n][e\n]");
  EXPECT_EQ(NormalizeLineEnds("x\r\r\ny"), "x\n\ny");
  LineReader r("one\r\n" + std::string(300, 'a') + "\r\nlast");
  EXPECT_EQ(AllLines(r),
            "[one\n][" + std::string(259, 'a') + "][" + std::string(41, 'a') + "\n][last]$");
  r.Rewind();
  EXPECT_FALSE(r.Eof());
  std::string found;
  EXPECT_TRUE(r.SkipToPrefix("aaa", &found));
  EXPECT_EQ(found.size(), 259u);
  EXPECT_FALSE(r.SkipToPrefix("one"));
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
  ASSERT_TRUE(r.SkipToPrefix("x") && !r.Eof());
  ASSERT_TRUE(r.ReadInt(n));
  EXPECT_EQ(n, 7);
  EXPECT_TRUE(r.Eof()) << "a number that ends the text";
  LineReader blanks("1.5  \n ");
  double d = 0;
  EXPECT_TRUE(blanks.ReadDouble(d) && !blanks.Eof());
  EXPECT_FALSE(blanks.ReadInt(n));
  EXPECT_TRUE(blanks.Eof());
}

TEST(Scan, CLibrarySemantics) {
  // ParseDouble: the characters used, white space included; 0 for none.
  const std::tuple<const char*, std::size_t, double> numbers[] = {
      {"1.5e3", 5, 1500.0},   {"  -20.04(3)", 8, -20.04},
      {".5", 2, 0.5},         {"7.", 2, 7.0},
      {"1,5", 1, 1.0},        {"+.25(3)", 4, 0.25},
      {"1e999", 5, HUGE_VAL}, {"-1e-999", 7, -0.0},
      {"x1", 0, 0.0},         {"  -", 0, 0.0}};
  for (const auto& [text, used, value] : numbers) {
    double v = 0;
    EXPECT_EQ(ParseDouble(text, v), used) << text;
    EXPECT_EQ(v, used ? value : 0.0) << text;
  }
  float a = 0, b = 0, c = 0;
  EXPECT_TRUE(ScanTwoFloats("  20.5\t-1.5e2xyz", a, b));
  EXPECT_EQ(std::pair(a, b), std::pair(20.5f, -150.0f));
  EXPECT_FALSE(ScanTwoFloats("20.5 abc", a, b) || ScanThreeFloats("1 2 x", a, b, c));
  EXPECT_TRUE(ScanThreeFloats("1 2 3", a, b, c));
  EXPECT_EQ(c, 3.0f);
  EXPECT_EQ((std::vector<int>{ToInt("  65535 yellow"), ToInt("x1"), ToInt("99999999999"),
                              ToInt("-99999999999")}),
            (std::vector<int>{65535, 0, 2147483647, -2147483647 - 1}));
  Scanner s("Start 10.00 -3 rest");
  std::string word;
  float start = 0;
  int step = 0;
  EXPECT_TRUE(s.Word(word) && s.Float(start) && s.Int(step));
  EXPECT_EQ(std::tuple(word, start, step, s.Rest()), std::tuple("Start"s, 10.0f, -3, " rest"s));
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

TEST(Scan, ANumberEndsWithItsField) {
  // Fixed-width columns are handed over as parts of a longer line.
  const std::string line = "20.125 7";
  double d = 0;
  EXPECT_EQ(ParseDouble(std::string_view(line).substr(0, 5), d), 5u);
  EXPECT_EQ(d, 20.12);
  EXPECT_EQ(ToInt(std::string_view(line).substr(0, 1)), 2);
  Scanner s(std::string_view("7 \t 8").substr(0, 2));
  int n = 0;
  std::string word;
  EXPECT_TRUE(s.Int(n) && !s.Word(word) && s.Rest().empty());
}

TEST(TextWriter, CrLfAndCLocaleEvenUnderAGermanLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // ignored when not generated
  TextWriter w;
  w.LineF("%8.3f%6d", 1.5, 42);
  w.Line("x");
  w.Fixed(2.25, 6, 1);
  w.RawF("|%s", "y");
  EXPECT_EQ(w.Contents(), "   1.500    42\r\nx\r\n   2.2|y");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

namespace {
// A scratch directory for one test.
struct ScratchDir {
  ScratchDir() { fs::create_directories(path); }
  ~ScratchDir() { fs::remove_all(path); }
  std::size_t Files() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(path), fs::directory_iterator()));
  }
  fs::path path = fs::temp_directory_path() / ("difscop_textio_" + std::to_string(::getpid()));
};
}  // namespace

TEST(AtomicWrite, ReplacesCompletelyOrNotAtAll) {
  ScratchDir dir;
  fs::path file = dir.path / "out.txt";
  ASSERT_TRUE(WriteFileAtomically(file, "first") && WriteFileAtomically(file, "second\r\n"));
  EXPECT_EQ(*ReadWholeFile(file), "second\r\n");
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir.path / "missing" / "x.txt", "data", &error));
  EXPECT_FALSE(error.empty());
  // A write that runs out of room half way (a file-size limit holds even for
  // root) leaves the old file.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &small);
  const bool written = WriteFileAtomically(file, std::string(1000, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_FALSE(written);
  EXPECT_EQ(*ReadWholeFile(file), "second\r\n");
  EXPECT_EQ(dir.Files(), 1u) << "no temporary file left beside the target";
}

TEST(ReadTextFile, RegularTextFilesOnlyAndBoundedToWholeLines) {
  ScratchDir dir;
  fs::path file = dir.path / "in.txt";
  std::string reason;
  EXPECT_FALSE(ReadWholeFile(dir.path / "nope").has_value());
  EXPECT_FALSE(ReadWholeFile(dir.path, &reason).has_value());
  EXPECT_EQ(reason, "not a regular file (a directory)");
  // A bounded read keeps whole lines only, or refuses when it may not cut.
  ASSERT_TRUE(WriteFileAtomically(file, "12.5 1\n13.25 2\n14 3\n"));
  bool cut = false;
  EXPECT_EQ(ReadTextFile(file, 18, &reason, &cut), "12.5 1\n13.25 2\n");
  EXPECT_TRUE(cut);
  EXPECT_EQ(ReadTextFile(file, 22, &reason, &cut), "12.5 1\n13.25 2\n14 3\n");
  EXPECT_FALSE(cut);
  EXPECT_FALSE(ReadTextFile(file, 18, &reason).has_value());
  EXPECT_EQ(reason, "larger than 18 bytes");
  // A file whose size is not known beforehand is bounded all the same.
  EXPECT_FALSE(ReadTextFile("/proc/self/status", 100, &reason).has_value());
  EXPECT_EQ(reason, "larger than 100 bytes");
  EXPECT_NE(ReadWholeFile("/proc/self/status").value_or("").find("Name:"), std::string::npos);
  // UTF-16, marked or not, is refused; a UTF-8 mark is dropped.
  const std::pair<std::string, const char*> texts[] = {
      {"\xFF\xFE\x31\0"s, nullptr}, {"1\0.\0"s, nullptr},
      {"\0\x31\0\t"s, nullptr},     {"\xEF\xBB\xBF\x31\x32 3\n"s, "12 3\n"},
      {"\x01\0\x02\0"s, "\x01"},    {"ab", "ab"}};
  for (const auto& [bytes, expected] : texts) {
    ASSERT_TRUE(WriteFileAtomically(file, bytes));
    const std::optional<std::string> got = ReadWholeFile(file, &reason);
    EXPECT_EQ(got.has_value(), expected != nullptr) << bytes;
    EXPECT_EQ(got.value_or("").substr(0, expected ? std::strlen(expected) : 0),
              expected ? expected : "");
  }
}
