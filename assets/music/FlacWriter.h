#pragma once

#include "Effects.h"

#include <string>

namespace music {

// Writes `mix` (samples in [-1, 1]) as a 16-bit stereo FLAC file at 44.1 kHz,
// with a seek table every ten seconds. Quantisation uses triangular dither
// from a fixed seed, so the same mix always gives the same bytes.
bool writeFlac(const std::string& path, const StereoBuffer& mix, std::string* error);

}  // namespace music
