// Which reader a file needs: by the readers' names (the command line's
// FORMAT) and by the file's content.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace difscop::import {

// A fitted kind or a raw format code.
struct FileType {
  bool fitted = false;
  int code = 0;
  bool operator==(const FileType&) const = default;
};

struct NamedFormat {
  std::string_view name;  // "rint", "xy", "cif", "gsas", ...
  FileType type;
};

// Every reader by name, the measured-pattern ones first.
std::span<const NamedFormat> NamedFormats();
std::optional<FileType> FormatByName(std::string_view name);

// Asks each reader's signature test in a fixed order, over the start of the
// bytes (the content decides; the path's extension only settles formats whose
// content says too little). nullopt when no reader recognises the file.
std::optional<NamedFormat> DetectFormat(std::string_view bytes, const std::string& path);

}  // namespace difscop::import
