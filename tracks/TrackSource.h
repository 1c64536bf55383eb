#pragma once
// The source text of the track data (tracks/TrackData.cpp) as the authoring
// tools read and write it: one `const Row kName[] = { ... };` array per track,
// one key a line as {time, x, y, z, kCorner or kSmooth}, and the
// `tracks.emplace("Name", toTrack(kName));` lines that name them in
// byte-wise order. Splicing replaces the rows of the named arrays and leaves
// every other byte of the file as it was.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "tracks/TrackSet.h"

namespace tolmero {

using TrackTable = std::map<std::string, Track, std::less<>>;

// A number as the track data writes it: six significant digits, always with
// a decimal point or exponent, and the float suffix ("0.0f", "-0.21798f").
std::string formatTrackNumber(float value);
// The float that formatTrackNumber's text reads back as: what a saved value
// becomes once the file is compiled.
float roundTrackNumber(float value);

// The rows of one array body, one key a line, each indented by four spaces.
std::string formatTrackRows(const Track& track);

// Track name -> array name, from the `tracks.emplace` lines of the text.
// Tracks made as `Track{}` have no array and are left out.
std::map<std::string, std::string> trackArrayNames(std::string_view text);

// Replaces the body of the array of each named track with its rows. False,
// with the reason in `error` and `text` unchanged, when a track has no array.
bool spliceTracks(std::string& text, const TrackTable& tracks, std::string& error);

// Reads every track back out of the text (the arrays of the emplace lines,
// empty tracks for `Track{}`). Nothing, with the reason in `error`, when a
// row or an array cannot be read.
std::optional<TrackTable> parseTrackSource(std::string_view text, std::string& error);

// The same on files. Writing goes through a temporary file beside the target
// and a rename, so the target is always either the old or the new text.
bool readTextFile(const std::string& path, std::string& text, std::string& error);
bool writeTextFileAtomically(const std::string& path, const std::string& text, std::string& error);

}  // namespace tolmero
