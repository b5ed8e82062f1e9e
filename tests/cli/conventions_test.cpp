// difscop-cli as a Unix command: help and version, usage errors, --json,
// several files at once and --out-dir.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli_test_support.h"

namespace difscop::cli {
namespace {

using namespace testing;
using Json = nlohmann::json;
namespace fs = std::filesystem;

// The subcommand names the program's own usage lists, "  difscop-cli NAME ...".
std::vector<std::string> ListedSubcommands(const std::string& usage) {
  std::vector<std::string> names;
  std::istringstream in(usage);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string program, name;
    if (line.rfind("  difscop-cli ", 0) == 0 && words >> program >> name) names.push_back(name);
  }
  return names;
}

// Each line of out parsed as JSON; a line that is not JSON fails the test.
std::vector<Json> JsonLines(const std::string& out) {
  std::vector<Json> docs;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    Json doc = Json::parse(line, nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << "not JSON: " << line;
    if (!doc.is_discarded()) docs.push_back(doc);
  }
  return docs;
}

TEST(CliConventions, HelpVersionAndUsageErrors) {
  for (const char* help : {"--help", "-h"}) {
    const auto run = RunCli(help);
    EXPECT_EQ(run.status, 0) << help;
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_EQ(run.out.rfind("usage: difscop-cli SUBCOMMAND", 0), 0u) << run.out;
    // render's every picture kind, and the exit statuses.
    EXPECT_NE(run.out.find(".png|.svg|.pdf|.bmp|.emf|.smp"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Exit status"), std::string::npos) << run.out;
  }
  const auto version = RunCli("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("difscop-cli 1.", 0), 0u) << version.out;

  const std::vector<std::string> names = ListedSubcommands(RunCli("--help").out);
  ASSERT_GE(names.size(), 10u) << RunCli("--help").out;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    for (const char* help : {" --help", " -h"}) {
      const auto run = RunCli(name + help);
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.out.rfind("usage: difscop-cli " + name + " ", 0), 0u) << run.out;
      EXPECT_TRUE(run.err.empty()) << run.err;
    }
    // A usage error: status 2, the synopsis on stderr, nothing on stdout.
    const auto wrong = RunCli(name + " --no-such-option");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.out.empty()) << wrong.out;
    EXPECT_NE(wrong.err.find("unknown option: --no-such-option"), std::string::npos) << wrong.err;
    EXPECT_NE(wrong.err.find("usage: difscop-cli " + name), std::string::npos) << wrong.err;
  }
  for (const char* args : {"", "nosuch", "peaks auto", "peaks auto x.xy -j 0", "info auto x -j"}) {
    const auto run = RunCli(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_TRUE(run.out.empty()) << args << ": " << run.out;
    EXPECT_FALSE(run.err.empty()) << args;
  }
}

// --json gives the text output's values under the names the text uses.
TEST(CliConventions, JsonHoldsWhatTheTextSays) {
  const std::string pattern = Quote(Example("xy_pattern.xy"));
  auto text = InfoFields(RunCli("info auto " + pattern).out);
  auto info = JsonLines(RunCli("info auto " + pattern + " --json").out);
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0]["file"], Example("xy_pattern.xy"));
  EXPECT_EQ(info[0]["format"], text["format"]);
  EXPECT_EQ(std::to_string(info[0]["obsCount"].get<int>()), text["obsCount"]);
  EXPECT_EQ(info[0]["segmentPointCount"], Json::array({19999}));
  std::istringstream last(text["last"]);
  double x = 0, y = 0;
  last >> x >> y;
  EXPECT_NEAR(info[0]["last"]["x"].get<double>(), x, 1e-3);
  EXPECT_NEAR(info[0]["last"]["y"].get<double>(), y, 1e-3);

  // The peak list: the same peaks, in the same order, to the text's digits.
  std::istringstream list(RunCli("peaks auto " + pattern).out);
  auto peaks = JsonLines(RunCli("peaks auto " + pattern + " --json").out);
  ASSERT_EQ(peaks.size(), 1u);
  std::string header;
  std::getline(list, header);
  std::size_t n = 0;
  for (double number, twoTheta, d, intensity; list >> number >> twoTheta >> d >> intensity; ++n) {
    ASSERT_LT(n, peaks[0]["peaks"].size());
    const Json& p = peaks[0]["peaks"][n];
    EXPECT_NEAR(p["twoTheta"].get<double>(), twoTheta, 5e-4);
    EXPECT_NEAR(p["d"].get<double>(), d, 5e-5);
    EXPECT_NEAR(p["intensity"].get<double>(), intensity, 0.5);
  }
  EXPECT_GT(n, 5u);
  EXPECT_EQ(n, peaks[0]["peaks"].size());

  // Built-in indexing of the PbSO4 X-ray pattern: Pnma, a 8.480, b 5.399, c 6.960.
  auto index = JsonLines(RunCli("index auto " + Quote(Sample("fullprof_free_pbso4_xray.dat")) +
                                " --json")
                             .out);
  ASSERT_EQ(index.size(), 1u);
  EXPECT_FALSE(index[0]["solutions"].empty());
  const Json& refined = index[0]["refined"];
  EXPECT_EQ(refined["system"], "orthorhombic");
  std::vector<double> edges = {refined["a"], refined["b"], refined["c"]};
  std::sort(edges.begin(), edges.end());
  EXPECT_NEAR(edges[0], 5.399, 0.01);
  EXPECT_NEAR(edges[1], 6.960, 0.01);
  EXPECT_NEAR(edges[2], 8.480, 0.01);
  EXPECT_GT(refined["lines"].size(), 20u);
}

// Several files: each file's result in the order given whatever finishes
// first, a failing file said and the others done, status 1.
TEST(CliConventions, SeveralFilesInOrderAndFailuresReported) {
  const Scratch scratch;
  std::vector<std::string> files;
  for (int k = 0; k < 7; ++k) {
    // Patterns of different lengths, so that they finish out of order.
    std::string text;
    for (int i = 0; i <= 500 + 3000 * (k % 3); ++i) {
      const double x = 10 + 0.02 * i;
      text += std::to_string(x) + " " + std::to_string(100 + 5000 * (k + 1) / (1 + (x - 15) * (x - 15) * 50)) + "\n";
    }
    files.push_back(scratch / ("p" + std::to_string(k) + ".xy"));
    WriteFile(files.back(), text);
  }
  files.insert(files.begin() + 3, scratch / "missing.xy");
  std::string args;
  for (const auto& f : files) args += " " + Quote(f);

  const auto run = RunCli("peaks xy" + args + " --json -j 3", 60);
  EXPECT_EQ(run.status, 1) << run.err;
  auto docs = JsonLines(run.out);
  ASSERT_EQ(docs.size(), files.size()) << run.out;
  for (std::size_t k = 0; k < files.size(); ++k) {
    EXPECT_EQ(docs[k]["file"], files[k]);
    if (k == 3) {
      EXPECT_EQ(docs[k]["status"], 1);
      EXPECT_NE(docs[k]["error"].get<std::string>().find("Cannot Data File Open !!"),
                std::string::npos);
    } else {
      ASSERT_EQ(docs[k]["peaks"].size(), 1u) << docs[k];
      // The peak's height, about 5000 times the file's number, tells the files apart.
      const double fileNumber = static_cast<double>(k < 3 ? k + 1 : k);
      EXPECT_NEAR(docs[k]["peaks"][0]["intensity"].get<double>() / fileNumber, 5000, 150);
    }
  }
  EXPECT_NE(run.err.find("missing.xy: No such file or directory"), std::string::npos) << run.err;

  // Text: each file's output headed by its name, as head(1) does.
  const auto text = RunCli("info xy " + Quote(files[0]) + " " + Quote(files[1]));
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out.rfind("==> " + files[0] + " <==\nobsCount: 501\n", 0), 0u) << text.out;
  EXPECT_NE(text.out.find("==> " + files[1] + " <==\nobsCount: 3501\n"), std::string::npos);
}

// --out-dir names each output after its input; clashes and inputs are never
// overwritten: refused before anything is written.
TEST(CliConventions, OutDirNamesOutputsAfterInputs) {
  const Scratch scratch;
  fs::create_directory(scratch.dir / "out");
  const std::string out = Quote(scratch / "out"), a = Quote(Example("xy_pattern.xy")),
                    b = Quote(Sample("xy_text_4001pts.xy"));
  auto run = RunCli("export xy " + a + " " + b + " --to rietan --data-type 0 --out-dir " + out);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_regular_file(scratch.dir / "out" / "xy_pattern.int"));
  EXPECT_TRUE(fs::is_regular_file(scratch.dir / "out" / "xy_text_4001pts.int"));
  run = RunCli("index-input ito xy " + a + " " + b + " --out-dir " + out);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_regular_file(scratch.dir / "out" / "xy_pattern" / "Ito.dat"));
  EXPECT_TRUE(fs::is_regular_file(scratch.dir / "out" / "xy_text_4001pts" / "Ito.dat"));

  const std::size_t before = std::distance(fs::directory_iterator(scratch.dir / "out"), {});
  for (const std::string& args :
       {"smooth xy " + a + " " + a + " --points 5 --out-dir " + out,
        "smooth xy " + a + " --points 5 --out-dir " + Quote(Example("")),
        "smooth xy " + a + " " + b + " --points 5 --out " + Quote(scratch / "one.xy"),
        "smooth xy " + a + " --points 5 --out x.xy --out-dir " + out}) {
    run = RunCli(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << run.err;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(scratch.dir / "out"), {}), before);
}

}  // namespace
}  // namespace difscop::cli
