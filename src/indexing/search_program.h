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
// Request (to the program):
//   wavelength W            angstrom
//   lines N                 the first N lines are used
//   spurious N              unindexed lines allowed, tried from 0 up
//   tolerance T             degrees 2theta
//   zero-range Z            zero offsets searched within +-Z degrees
//   displacement 0|1        a sample displacement refined with the cell
//   length-max L            angstrom, 0 for estimated
//   volume MIN MAX          cubic angstrom, 0 for estimated
//   threads N               0 for one a core
//   systems S ...           crystal systems, as CrystalSystem numbers
//   peaks A ...             observed 2theta, ascending
//   go                      the request is complete
// After go, a line "cancel" or the end of the input ends the search, which
// then reports what it has found.
// Reply (from the program):
//   progress S C CELLS BEST SOLUTIONS       the system and centring searched, cells tested,
//                                           best M20, cells found
//   solution S C a b c al be ga ZERO DISPLACEMENT M20 MLINES FN FNLINES MEANDELTA POSSIBLE
//            UNINDEXED20 M20INDEXED N I1 .. IN
//                                           best first; C the centring letter; N lines
//                                           unindexed, their indices
//   end solved|none|cancelled|refused|failed [MESSAGE]   last; MESSAGE for refused and failed
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

// The program's side: reads the request from in, searches (until done or
// cancelled through in), writes the reply to out. The exit status: 0 once
// the end record is written.
int ServeSearch(int in, int out);

// The window's side: runs program --search on the lines and reports as
// IndexPeaks does. progress is called on the calling thread; cancel, when
// set, ends the search within a tenth of a second, with the cells found until
// then (the program is ended outright when it does not answer in time).
IndexOutcome RunSearchProgram(const std::string& program, std::span<const double> twoTheta,
                              double wavelength, const IndexOptions& options,
                              const std::function<void(const IndexProgress&)>& progress = {},
                              const std::atomic<bool>* cancel = nullptr);

}  // namespace difscop::indexing
