#include "platform/file_writing.h"

#include <string>

#include "textio/text_writer.h"

namespace difscop::platform {

bool WriteFileOrSay(Platform& platform, const std::filesystem::path& path,
                    std::string_view contents, std::string_view message) {
  std::string error;
  if (textio::WriteFileAtomically(path, contents, &error)) return true;
  platform.ShowMessage(std::string(message) + "\n" + error);
  return false;
}

}  // namespace difscop::platform
