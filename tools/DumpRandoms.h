#pragma once
// `tolmero dump-randoms --out F`: generates the eight random fields on the
// GPU, headless, and writes them as raw little-endian 32-bit floats, slice by
// slice, row by row (1024 x 1024 each).

#include <string>

namespace tolmero {

// Returns the exit code: 0 when written, 1 without a usable device or when
// the file cannot be written (one line on standard error).
int runDumpRandoms(const std::string& out);

}  // namespace tolmero
