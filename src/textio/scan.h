// C-locale number scanning with the semantics of "%f", "%d" and "%s": leading
// white space skipped, a field ends at the first character that cannot
// continue it. Independent of the process locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace difscop::textio {

// Parses one number at the front of text (after white space). On success
// returns the number of characters consumed (white space included); 0 when no
// number could be read.
std::size_t ParseDouble(std::string_view text, double& value);
std::size_t ParseFloat(std::string_view text, float& value);
std::size_t ParseInt(std::string_view text, int& value);

// A whole text, blanks around it allowed, as one finite number in the C
// locale. nullopt for "", "1,5", "nan", "inf", "2x" and numbers beyond a
// 32-bit float's range (the workspace keeps every typed value as one): what
// a user types is taken as it stands or refused, never half read.
std::optional<double> ParseFiniteNumber(std::string_view text);

// The C library's atof/atoi: the leading number, 0 when there is none.
double ToDouble(std::string_view text);
int ToInt(std::string_view text);

// A cursor over a string, as sscanf walks it. Each read skips white space.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}
  bool Float(float& value);
  bool Double(double& value);
  bool Int(int& value);
  // "%s": a run of non-white-space characters.
  bool Word(std::string& word);
  std::string_view Rest() const { return text_.substr(pos_); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// sscanf(line, "%f %f", &a, &b) == 2 and the like.
bool ScanTwoFloats(std::string_view line, float& a, float& b);
bool ScanThreeFloats(std::string_view line, float& a, float& b, float& c);

}  // namespace difscop::textio
