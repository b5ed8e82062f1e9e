#include "import/reciprocal_cell.h"

#include <cmath>
#include <limits>

namespace difscop::import {

namespace {
constexpr double kRadiansPerDegree = 0.0174532925;
}

ReciprocalCell ComputeReciprocalCell(float a, float b, float c, float alpha, float beta,
                                     float gamma) {
  const float al = static_cast<float>(alpha * kRadiansPerDegree);
  const float be = static_cast<float>(beta * kRadiansPerDegree);
  const float ga = static_cast<float>(gamma * kRadiansPerDegree);
  const double ca = std::cos(al), cb = std::cos(be), cg = std::cos(ga);
  const double sa = std::sin(al), sb = std::sin(be), sg = std::sin(ga);
  const float volume =
      static_cast<float>(static_cast<double>(a) * b * c *
                         std::sqrt(1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg));
  ReciprocalCell r;
  r.aStar = static_cast<float>(b * c * sa / volume);
  r.bStar = static_cast<float>(c * a * sb / volume);
  r.cStar = static_cast<float>(a * b * sg / volume);
  r.cosAlphaStar = static_cast<float>((cb * cg - ca) / (sb * sg));
  r.cosBetaStar = static_cast<float>((cg * ca - cb) / (sg * sa));
  r.cosGammaStar = static_cast<float>((ca * cb - cg) / (sa * sb));
  return r;
}

float ReflectionTwoTheta(const ReciprocalCell& r, int h, int k, int l, float lambda) {
  const double hd = h, kd = k, ld = l;
  const float q = static_cast<float>(hd * hd * r.aStar * r.aStar + kd * kd * r.bStar * r.bStar +
                                     ld * ld * r.cStar * r.cStar +
                                     2.0 * (kd * ld * r.bStar * r.cStar * r.cosAlphaStar +
                                            ld * hd * r.cStar * r.aStar * r.cosBetaStar +
                                            hd * kd * r.aStar * r.bStar * r.cosGammaStar));
  const float s = std::sqrt(q);  // 1/d
  const double sinTheta = lambda * s / 2.0;
  if (!(sinTheta >= 0.0 && sinTheta <= 1.0)) return std::numeric_limits<float>::quiet_NaN();
  return static_cast<float>(2.0 * std::asin(sinTheta) / kRadiansPerDegree);
}

}  // namespace difscop::import
