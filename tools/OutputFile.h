#pragma once
// The files the commands write (stills, videos, field dumps): checked before
// any work starts, and written so that a failure never leaves a half-written
// file in place of a good one.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace tolmero {

// Checks, before anything is rendered, that `path` can be created or
// overwritten: not a folder, and its folder exists and takes new files. A file
// that did not exist before is removed again; an existing one is untouched.
bool checkWritable(const std::filesystem::path& path, std::string& error);

// Writes `bytes` to "<path>.partial" beside `path` and renames it over `path`
// once every byte is on disk. On failure (a full disk, say) the partial file
// is removed, `path` keeps what it held, and `error` says why.
bool writeFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, std::string& error);

// Free bytes on the file system that holds `path` (or its folder), or -1
// when the system cannot say.
std::int64_t freeBytesAt(const std::filesystem::path& path);

}  // namespace tolmero
