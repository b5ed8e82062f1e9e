// A Surface that records the drawing as an enhanced metafile (EMF), the
// picture format office programs place and scale without losing lines.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "plot/surface.h"

namespace difscop::exporter {

// Measures text the way the window would; without one, an estimate from the
// font's character width is used.
using TextMeasure = std::function<plot::TextSize(const plot::FontSpec&, std::string_view)>;

class EmfSurface : public plot::Surface {
 public:
  // A picture of width x height device pixels; one pixel is pixelWidth by
  // pixelHeight hundredths of a millimetre on the screen it stands for.
  EmfSurface(int width, int height, int pixelWidth, int pixelHeight, TextMeasure measure = {});
  ~EmfSurface() override;
  EmfSurface(const EmfSurface&) = delete;
  EmfSurface& operator=(const EmfSurface&) = delete;

  // False when the recording could not be started.
  bool Recording() const;
  // Ends the recording and returns the file's bytes (empty on failure).
  // Drawing afterwards does nothing.
  std::string Finish();

  void FillRect(const plot::Rect& rect, plot::Colour colour) override;
  void SetPen(const plot::Pen& pen) override;
  void SetBrush(std::optional<plot::Colour> fill) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Ellipse(const plot::Rect& box) override;
  void SetFont(const plot::FontSpec& font) override;
  void SetTextColour(plot::Colour colour) override;
  void SetTransparentText(bool transparent) override;
  void TextOut(int x, int y, std::string_view text) override;
  plot::TextSize TextExtent(std::string_view text) override;
  // A picture has no overlay to invert; exclusive-or drawing is not recorded.
  void SetXorMode(bool) override {}
  void Polyline(std::span<const plot::DevicePoint> points) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Size of one screen pixel in hundredths of a millimetre, rounded.
int PixelSizeHundredthsMm(double screenMillimetres, int screenPixels);

}  // namespace difscop::exporter
