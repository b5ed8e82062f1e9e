#include "cli/json_output.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace difscop::cli {

void PrintJson(const Json& doc) {
  // Invalid UTF-8 (a file name in another encoding) is replaced, not thrown at.
  const std::string text = doc.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
}

double JsonFloat(float value) {
  if (!std::isfinite(value)) return static_cast<double>(value);
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text - 1, value).ptr;
  *end = '\0';
  return std::strtod(text, nullptr);
}

Json FileDocument(const std::string& file) {
  return Json{{"file", file}};
}

}  // namespace difscop::cli
