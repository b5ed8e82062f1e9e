#include "indexing/pattern_checks.h"

#include "processing/ka2_companions.h"
#include "textio/text_writer.h"

namespace difscop::indexing {

std::optional<std::string> WavelengthWarning(const workspace::Workspace& ws,
                                             std::span<const double> peaks) {
  if (ws.wavelengthFromPattern) return std::nullopt;
  const std::optional<bool> ka2 =
      processing::HasKa2Companions(ws, peaks, ws.ka1Wavelength, ws.ka2Wavelength);
  if (!ka2 || *ka2) return std::nullopt;
  return textio::Format(
      "The file gives no wavelength and its peaks have no Ka2 companions: it may be synchrotron "
      "or neutron data. Indexing at %.5f A, the X-ray source's Ka1; give the pattern's own "
      "wavelength if it is another.",
      static_cast<double>(ws.wavelength));
}

}  // namespace difscop::indexing
