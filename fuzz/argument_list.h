// Fuzz input as an argument list: the bytes cut at NUL, as argv holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace difscop::fuzz {

inline std::vector<std::string> ArgumentList(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back().push_back(static_cast<char>(data[i]));
  }
  return args;
}

}  // namespace difscop::fuzz
