#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>

#include "textio/line_reader.h"
#include "textio/scan.h"
#include "textio/text_writer.h"

namespace fs = std::filesystem;
using namespace difscop::textio;

TEST(LineReader, CrLfIsOneBreakAndLongLinesArriveInPieces) {
  std::string longLine(300, 'a');
  LineReader r("one\r\ntwo\n" + longLine + "\r\nlast");
  std::string line;
  ASSERT_TRUE(r.ReadLine(line));
  EXPECT_EQ(line, "one\n");
  ASSERT_TRUE(r.ReadLine(line));
  EXPECT_EQ(line, "two\n");
  ASSERT_TRUE(r.ReadLine(line));
  EXPECT_EQ(line.size(), 259u);
  ASSERT_TRUE(r.ReadLine(line));
  EXPECT_EQ(line, std::string(41, 'a') + "\n");
  EXPECT_FALSE(r.Eof());
  ASSERT_TRUE(r.ReadLine(line));
  EXPECT_EQ(line, "last");
  EXPECT_TRUE(r.Eof());
  EXPECT_FALSE(r.ReadLine(line));
  EXPECT_TRUE(line.empty());
  r.Rewind();
  EXPECT_FALSE(r.Eof());
  EXPECT_TRUE(r.SkipToPrefix("two"));
}

TEST(LineReader, EveryDesktopsLineEndIsOneBreak) {
  // LF, CR LF, a lone CR (classic Mac), and a CR at the very end.
  LineReader r("a\nb\r\nc\rd\r\re\r");
  std::string line, all;
  while (r.ReadLine(line)) all += "[" + line + "]";
  EXPECT_EQ(all, "[a\n][b\n][c\n][d\n][\n][e\n]");
  EXPECT_EQ(NormalizeLineEnds("x\r\r\ny"), "x\n\ny");
}

TEST(LineReader, TokensAcrossLinesAndEndOfFileIndicator) {
  LineReader r("3\r\n 10.0 0.5\n5 6\n7");
  int n = 0;
  float a = 0, b = 0, y = 0;
  ASSERT_TRUE(r.ReadInt(n));
  ASSERT_TRUE(r.ReadFloat(a));
  ASSERT_TRUE(r.ReadFloat(b));
  EXPECT_EQ(n, 3);
  EXPECT_FLOAT_EQ(a, 10.0f);
  EXPECT_FLOAT_EQ(b, 0.5f);
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(r.ReadFloat(y));
  EXPECT_FALSE(r.Eof());
  ASSERT_TRUE(r.ReadFloat(y));
  EXPECT_FLOAT_EQ(y, 7.0f);
  EXPECT_TRUE(r.Eof());
  EXPECT_FALSE(r.ReadFloat(y));
}

TEST(Scan, CLibrarySemantics) {
  float a = 0, b = 0;
  EXPECT_TRUE(ScanTwoFloats("  20.5\t-1.5e2xyz", a, b));
  EXPECT_FLOAT_EQ(a, 20.5f);
  EXPECT_FLOAT_EQ(b, -150.0f);
  EXPECT_FALSE(ScanTwoFloats("20.5 abc", a, b));
  EXPECT_FLOAT_EQ(ToDouble("+.25(3)"), 0.25f);
  EXPECT_EQ(ToDouble("abc"), 0.0);
  EXPECT_EQ(ToInt("  65535 yellow"), 65535);
  EXPECT_EQ(ToInt("x1"), 0);
  EXPECT_EQ(ToInt("99999999999"), 2147483647);
  Scanner s("Start 10.00 rest");
  std::string word;
  float start = 0;
  EXPECT_TRUE(s.Word(word));
  EXPECT_TRUE(s.Float(start));
  EXPECT_EQ(word, "Start");
  EXPECT_FLOAT_EQ(start, 10.0f);
  // Comma is not a decimal separator, whatever the locale says.
  EXPECT_FLOAT_EQ(static_cast<float>(ToDouble("1,5")), 1.0f);
  // What a user types is a number as a whole, or nothing.
  EXPECT_EQ(ParseFiniteNumber(" 1.5406 "), 1.5406);
  EXPECT_EQ(ParseFiniteNumber("-2e3"), -2000.0);
  for (const char* refused : {"1,5", "nan", "inf", "-INF", "1e999", "", " ", "2x", "0x10"})
    EXPECT_FALSE(ParseFiniteNumber(refused).has_value()) << refused;
}

TEST(TextWriter, CrLfAndCLocaleEvenUnderAGermanLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // ignored when not generated
  TextWriter w;
  w.LineF("%8.3f%6d", 1.5, 42);
  w.Line("x");
  EXPECT_EQ(w.Contents(), "   1.500    42\r\nx\r\n");
  EXPECT_EQ(Format("%.2f", 2.25), "2.25");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(AtomicWrite, ReplacesCompletelyOrNotAtAll) {
  fs::path dir = fs::temp_directory_path() / ("difscop_textio_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::path file = dir / "out.txt";
  ASSERT_TRUE(WriteFileAtomically(file, "first"));
  ASSERT_TRUE(WriteFileAtomically(file, "second\r\n"));
  EXPECT_EQ(*ReadWholeFile(file), "second\r\n");
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir / "missing" / "x.txt", "data", &error));
  EXPECT_FALSE(error.empty());
  // No temporary files left beside the target.
  int entries = 0;
  for (auto& e : fs::directory_iterator(dir)) entries += e.is_regular_file();
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(ReadWholeFile(dir / "nope").has_value());
  EXPECT_FALSE(ReadWholeFile(dir).has_value());
  // A bounded read keeps whole lines only, or refuses when it may not cut.
  ASSERT_TRUE(WriteFileAtomically(file, "12.5 1\n13.25 2\n14 3\n"));
  bool cut = false;
  std::string reason;
  EXPECT_EQ(ReadTextFile(file, 18, &reason, &cut), "12.5 1\n13.25 2\n");
  EXPECT_TRUE(cut);
  EXPECT_EQ(ReadTextFile(file, 22, &reason, &cut), "12.5 1\n13.25 2\n14 3\n");
  EXPECT_FALSE(cut);
  EXPECT_FALSE(ReadTextFile(file, 18, &reason).has_value());
  EXPECT_EQ(reason, "larger than 18 bytes");
  fs::remove_all(dir);
}
