// The reciprocal cell, used to place reflections given by Miller indices.
#pragma once

namespace difscop::import {

struct ReciprocalCell {
  float aStar = 0.0f, bStar = 0.0f, cStar = 0.0f;
  float cosAlphaStar = 0.0f, cosBetaStar = 0.0f, cosGammaStar = 0.0f;
};

// Lengths in Angstrom, angles in degrees.
ReciprocalCell ComputeReciprocalCell(float a, float b, float c, float alpha, float beta,
                                     float gamma);

// 2theta (degrees) of reflection (h k l) at wavelength lambda; NaN when the
// reflection cannot diffract at that wavelength (or the cell is degenerate).
float ReflectionTwoTheta(const ReciprocalCell& r, int h, int k, int l, float lambda);

}  // namespace difscop::import
