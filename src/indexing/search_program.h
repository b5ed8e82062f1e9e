// The built-in indexing search as a program of its own: the window starts
// `difscop-index --search` (exec'd, never a bare fork of the window, whose
// threads a fork would leave in an undefined state), hands it the request
// on its standard input and reads its progress and solutions from its
// standard output, one record a line. Cancel ends the program and all it
// started.
//
// The protocol is plain text, numbers in the C locale, every line ended by
// "\n". To carry a new option, add a request key; to carry more of a
// solution, append fields to its record: both ends are in this file.
//
// Request (to the program; it reads up to the end of its input):
//   wavelength W            angstrom
//   lines N                 the first N lines are used
//   spurious N              unindexed lines allowed, tried from 0 up
//   tolerance T             degrees 2theta
//   volume MIN MAX          cubic angstrom, 0 for estimated
//   zero-shift 0|1
//   systems S ...           crystal systems, as CrystalSystem numbers
//   peaks A ...             observed 2theta, ascending
// Reply (from the program):
//   progress S CELLS BEST                   the system searched, cells tested, best score
//   solution S C SCORE a b c al be ga M20 MLINES FN FNLINES MEANDELTA POSSIBLE
//                                           best first; C the centring letter
//   end solved|none|refused|failed [MESSAGE]   last; MESSAGE for refused and failed
// A program that ends without its end record has failed.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "indexing/auto_index.h"

namespace difscop::indexing {

struct SearchRequest {
  std::vector<double> twoTheta;
  double wavelength = 0;
  IndexOptions options;
};

std::string SearchRequestText(const SearchRequest& request);
// nullopt with why set for a line that is not a request line.
std::optional<SearchRequest> ReadSearchRequest(std::string_view text, std::string& why);

std::string ProgressRecord(const IndexProgress& progress);
std::string OutcomeRecords(const IndexOutcome& outcome);

// Collects an outcome from reply lines.
class SearchReply {
 public:
  // One line without its "\n"; progress, when the line is a progress record.
  void Line(std::string_view line, std::optional<IndexProgress>& progress);
  bool ended() const { return ended_; }
  IndexOutcome Outcome() const;

 private:
  bool ended_ = false;
  IndexOutcome outcome_;
};

// The program's side: reads the request from in, searches, writes the reply
// to out. The exit status: 0 once the end record is written.
int ServeSearch(int in, int out);

// The window's side: runs program --search on the lines and reports as
// IndexPeaks does. progress is called on the calling thread; cancel, when
// set, ends the program within a tenth of a second.
IndexOutcome RunSearchProgram(const std::string& program, std::span<const double> twoTheta,
                              double wavelength, const IndexOptions& options,
                              const std::function<void(const IndexProgress&)>& progress = {},
                              const std::atomic<bool>* cancel = nullptr);

}  // namespace difscop::indexing
