// The powder-data layouts read by the refinement programs (Rietan, GSAS,
// FullProf, Rietica, DBW, PowderX) and a plain (x,y) list.
#pragma once

#include <string>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace difscop::exporter {

using platform::Platform;
using workspace::Workspace;

enum PowderFormat {
  kRietanNormal = 0,
  kRietanGeneral = 1,
  kGsas = 2,
  kFullProf = 3,
  kRietica = 4,
  kDbw = 5,
  kPowderX = 6,
  kXy = 7,
};
inline constexpr int kPowderFormatCount = 8;

enum DataType {
  kOneSteppedObserved = 0,
  kTwoSteppedObserved = 1,
  kOneSteppedSmoothed = 2,
  kTwoSteppedSmoothed = 3,
};

// Whether the layout can carry the data type.
bool IsSupported(int format, int dataType);

enum class PowderStatus { kOk, kUnsupported, kNotSmoothed, kDoesNotFit };

// Builds the file contents (CR LF line ends) without touching any file.
// Layouts whose intensity fields stand side by side (Rietan normal, GSAS,
// FullProf, Rietica, DBW) take only intensities that fit their fields with
// a blank before them: anything else would run into its neighbour and read
// back as another number. kDoesNotFit then, *fault (when given) saying which.
PowderStatus FormatPowderData(const Workspace& ws, int format, int dataType, std::string& out,
                              std::string* fault = nullptr);

// Writes the file, replacing it only when complete. A refused combination,
// missing smoothed data or an unwritable path shows its message and leaves
// any existing file as it was. True when the file was written.
bool WritePowderData(const Workspace& ws, Platform& platform, int format, int dataType,
                     const std::string& path);

}  // namespace difscop::exporter
