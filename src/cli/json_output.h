// JSON output of difscop-cli (--json): one document on one line of stdout,
// so that the documents of several files make JSON Lines.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace difscop::cli {

using Json = nlohmann::ordered_json;

// doc on one line and a line end; numbers as the shortest text that reads
// back the same, NaN and infinities as null.
void PrintJson(const Json& doc);

// A float stored as the double of its shortest text (0.006f as 0.006, not
// 0.006000000052154064), so that documents show what the text output shows.
double JsonFloat(float value);

// {"file": file}, the start of every file's document.
Json FileDocument(const std::string& file);

}  // namespace difscop::cli
