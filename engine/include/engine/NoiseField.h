#pragma once
// Noise dots: a field whose power spectrum falls as 1 / |f|^beta (0 white,
// 1 pink, 2 brown), periodic across both its width and its height so that
// copies of it side by side or one above the other join without a seam.

#include "engine/HiddenSurfaceSettings.h"

#include "platform/Bitmap.h"

#include <complex>
#include <memory>
#include <cstdint>
#include <vector>

namespace engine {

// The discrete Fourier transform of any length, in place: X_k = sum x_j
// e^(∓2πijk/n), the minus sign forwards; inverse does not divide by n.
void fourierTransform(std::vector<std::complex<double>>& data, bool inverse);

// A w × h field, row by row from the top, of mean 0 and standard deviation
// 1 (all zero when the field is constant): random phases and Gaussian
// amplitudes of spread |f|^(−beta ÷ 2) at each frequency f (in cycles per
// pixel), none at f = 0. The same seed gives the same field.
std::vector<float> noiseField(std::int32_t w, std::int32_t h, double beta, std::uint64_t seed);

// A field value as a level 0 .. levels − 1: ±2.5 standard deviations span
// the levels, values beyond them take the end levels.
std::uint8_t noiseLevel(float value, int levels);

// Noise dots in grey: an 8-bit picture's indices become levels 0 .. 253 of
// the grey ramp of the random-dot palette.
void fillNoiseDots(platform::Bitmap& image, const HiddenSurfaceSettings& settings);

// Noise dots in colour: a w × h true-colour picture whose red, green and
// blue are three fields of their own; null when memory runs out.
std::unique_ptr<platform::Bitmap> noiseTexture(std::int32_t w, std::int32_t h, const HiddenSurfaceSettings& settings);

} // namespace engine
