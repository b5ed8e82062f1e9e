// The manual pages and the bash completion against what the programs say
// they take: every subcommand, option and format name that a usage text
// lists must be in the manual page and be offered by the completion.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli_test_support.h"

namespace difscop::cli {
namespace {

using namespace testing;
namespace fs = std::filesystem;

const fs::path kDoc = fs::path(DIFSCOP_SOURCE_DIR) / "doc";

// A manual page's text with its escapes taken out: "\-" as "-", no font changes.
std::string PlainMan(const fs::path& page) {
  const std::string roff = Slurp(page);
  std::string text;
  for (std::size_t i = 0; i < roff.size(); ++i) {
    if (roff[i] == '\\' && i + 1 < roff.size()) {
      if (roff[i + 1] == '-') {
        text += '-';
        ++i;
      } else if (roff[i + 1] == 'f' && i + 2 < roff.size()) {
        i += 2;
      } else {
        text += roff[i];
      }
      continue;
    }
    text += roff[i];
  }
  return text;
}

// word stands in text on its own: not inside a longer name.
bool HasWord(const std::string& text, const std::string& word) {
  auto inName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; };
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const bool startOk = at == 0 || !inName(text[at - 1]) || word[0] == '-';
    const std::size_t end = at + word.size();
    if (startOk && (end == text.size() || !inName(text[end]))) return true;
  }
  return false;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

struct Usage {
  std::vector<std::string> subcommands, formats;
  std::map<std::string, std::vector<std::string>> options;  // per subcommand
};

// What difscop-cli --help and each SUBCOMMAND --help list.
Usage ProgramUsage() {
  Usage u;
  std::istringstream top(RunCli("--help").out);
  for (std::string line; std::getline(top, line);) {
    const auto w = Words(line);
    if (line.rfind("  difscop-cli ", 0) == 0 && w.size() > 1) u.subcommands.push_back(w[1]);
    if (line.rfind("FORMAT: ", 0) == 0) {
      for (const std::string& f : w) {
        if (f.find_first_not_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos)
          u.formats.push_back(f);
      }
    }
  }
  for (const std::string& s : u.subcommands) {
    std::istringstream help(RunCli(s + " --help").out);
    for (std::string line; std::getline(help, line);) {
      const auto w = Words(line);
      if (line.rfind("  -", 0) == 0) u.options[s].push_back(w[0]);
    }
  }
  return u;
}

// What the completion offers for the words typed so far (the last one being completed).
std::set<std::string> Completions(const std::string& typed) {
  const std::string script = "source " + Quote((kDoc / "difscop-cli.bash").string()) +
                             "; COMP_WORDS=(" + typed + "); COMP_CWORD=$((${#COMP_WORDS[@]}-1));" +
                             " [[ " + Quote(typed) + " == *' ' ]] && COMP_WORDS+=('') && COMP_CWORD=$((COMP_CWORD+1));" +
                             " _difscop_cli; printf '%s\\n' \"${COMPREPLY[@]}\"";
  FILE* pipe = popen(("bash -c " + Quote(script) + " 2>&1").c_str(), "r");
  std::set<std::string> offered;
  if (!pipe) return offered;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    if (!s.empty()) offered.insert(s);
  }
  pclose(pipe);
  return offered;
}

TEST(CliDocs, ManualAndCompletionHoldEverySubcommandOptionAndFormat) {
  const Usage usage = ProgramUsage();
  ASSERT_GE(usage.subcommands.size(), 10u);
  ASSERT_GE(usage.formats.size(), 14u);
  const std::string man = PlainMan(kDoc / "difscop-cli.1");
  ASSERT_FALSE(man.empty()) << "no manual page at " << kDoc / "difscop-cli.1";

  const std::set<std::string> first = Completions("difscop-cli ");
  for (const std::string& s : usage.subcommands) {
    SCOPED_TRACE(s);
    EXPECT_TRUE(HasWord(man, s)) << "the manual page does not name the subcommand";
    EXPECT_TRUE(first.count(s)) << "the completion does not offer the subcommand";
    const auto options = usage.options.find(s);
    const std::set<std::string> offered = Completions("difscop-cli " + s + " -");
    for (const std::string& o : options == usage.options.end() ? std::vector<std::string>{}
                                                               : options->second) {
      EXPECT_TRUE(HasWord(man, o)) << o << " is not in the manual page";
      EXPECT_TRUE(offered.count(o)) << o << " is not completed";
    }
  }
  const std::set<std::string> formats = Completions("difscop-cli info ");
  const std::set<std::string> kindThenFormat = Completions("difscop-cli index-input ito ");
  for (const std::string& f : usage.formats) {
    EXPECT_TRUE(HasWord(man, f)) << f << " is not in the manual page";
    EXPECT_TRUE(formats.count(f)) << f << " is not completed";
    EXPECT_TRUE(kindThenFormat.count(f)) << f << " is not completed after index-input's kind";
  }
  // A subcommand completes from its start; a layout after --to.
  EXPECT_EQ(Completions("difscop-cli ind"), (std::set<std::string>{"index", "index-input"}));
  EXPECT_TRUE(Completions("difscop-cli export auto a.xy --to ri").count("rietan-general"));

  // The exit statuses are told, each at the start of its paragraph.
  const std::string shown =
      RunProgram("MANWIDTH=80 man -l " + Quote((kDoc / "difscop-cli.1").string())).out;
  const auto exit = shown.find("EXIT STATUS");
  ASSERT_NE(exit, std::string::npos) << shown;
  for (const char* status : {"\n       0 ", "\n       1 ", "\n       2 "})
    EXPECT_NE(shown.find(status, exit), std::string::npos) << "status " << status;
}

// The window program's manual page has its switches, and both pages render
// without a warning.
TEST(CliDocs, ManualPagesRender) {
  const fs::path app = fs::path(DIFSCOP_BINARY_DIR) / "src" / "app" / "difscop";
  const std::string man = PlainMan(kDoc / "difscop.1");
  if (fs::exists(app)) {
    const auto help = RunProgram(Quote(app.string()) + " --help");
    ASSERT_EQ(help.status, 0);
    std::istringstream lines(help.out);
    int switches = 0;
    for (std::string line; std::getline(lines, line);) {
      const auto w = Words(line);
      if (line.rfind("  -", 0) != 0) continue;
      ++switches;
      EXPECT_TRUE(HasWord(man, w[0])) << w[0] << " is not in difscop.1";
    }
    EXPECT_GE(switches, 6);
  }
  for (const char* page : {"difscop.1", "difscop-cli.1"}) {
    const auto run = RunProgram("MANWIDTH=80 man --warnings -l " + Quote((kDoc / page).string()));
    EXPECT_EQ(run.status, 0) << page << "\n" << run.err;
    EXPECT_TRUE(run.err.empty()) << page << "\n" << run.err;
    EXPECT_GT(run.out.size(), 1000u) << page;
  }
}

}  // namespace
}  // namespace difscop::cli
