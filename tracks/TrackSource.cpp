#include "tracks/TrackSource.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tolmero {

namespace {

constexpr std::string_view kEmplace = "tracks.emplace(\"";

std::string opening(const std::string& array) { return "const Row " + array + "[] = {"; }

// Where the body of an array starts and ends in the text: [begin, end) holds
// the rows, either "{\n" rows "};\n" or a one-line "{{...}};".
struct Body {
    std::size_t begin = std::string::npos;
    std::size_t end = std::string::npos;
    bool oneLine = false;
};

Body findBody(std::string_view text, const std::string& array) {
    Body body;
    const std::string open = opening(array);
    const std::size_t at = text.find(open);
    if (at == std::string_view::npos) return body;
    const std::size_t after = at + open.size();
    if (text.substr(after, 1) == "\n") {
        body.begin = after + 1;
        body.end = text.find("};\n", body.begin);
        if (body.end == std::string_view::npos) body.begin = std::string::npos;
    } else if (text.substr(after, 1) == "{") {
        body.oneLine = true;
        body.begin = after;
        const std::size_t close = text.find("};", after);
        body.end = close == std::string_view::npos ? close : close;
        if (body.end == std::string_view::npos) body.begin = std::string::npos;
    }
    return body;
}

bool parseRow(std::string_view row, TrackKey& key) {
    std::string s(row);
    const char* p = s.c_str();
    while (*p == ' ' || *p == '{' || *p == '\n') ++p;
    float numbers[4];
    for (float& n : numbers) {
        char* end = nullptr;
        errno = 0;
        n = std::strtof(p, &end);
        if (end == p || errno == ERANGE) return false;
        p = end;
        if (*p == 'f') ++p;
        if (*p != ',') return false;
        ++p;
        while (*p == ' ') ++p;
    }
    float w;
    if (std::strncmp(p, "kCorner", 7) == 0) {
        w = 3.0f;
        p += 7;
    } else if (std::strncmp(p, "kSmooth", 7) == 0) {
        w = 1.0f;
        p += 7;
    } else {
        return false;
    }
    if (*p != '}') return false;
    key = TrackKey{numbers[0], TrackValue{numbers[1], numbers[2], numbers[3], w}};
    return true;
}

}  // namespace

std::string formatTrackNumber(float value) {
    if (value == 0.0f) return "0.0f";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", static_cast<double>(value));
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s + "f";
}

float roundTrackNumber(float value) {
    const std::string text = formatTrackNumber(value);
    return std::strtof(text.c_str(), nullptr);
}

std::string formatTrackRows(const Track& track) {
    std::string out;
    for (const TrackKey& k : track) {
        out += "    {" + formatTrackNumber(k.time) + ", " + formatTrackNumber(k.value.x) + ", " +
               formatTrackNumber(k.value.y) + ", " + formatTrackNumber(k.value.z) + ", " +
               (k.value.w > 2.5f ? "kCorner" : "kSmooth") + "},\n";
    }
    return out;
}

std::map<std::string, std::string> trackArrayNames(std::string_view text) {
    std::map<std::string, std::string> names;
    for (std::size_t at = text.find(kEmplace); at != std::string_view::npos; at = text.find(kEmplace, at + 1)) {
        const std::size_t nameBegin = at + kEmplace.size();
        const std::size_t nameEnd = text.find('"', nameBegin);
        if (nameEnd == std::string_view::npos) break;
        constexpr std::string_view kToTrack = ", toTrack(";
        if (text.substr(nameEnd + 1, kToTrack.size()) != kToTrack) continue;
        const std::size_t arrayBegin = nameEnd + 1 + kToTrack.size();
        const std::size_t arrayEnd = text.find(')', arrayBegin);
        if (arrayEnd == std::string_view::npos) break;
        names[std::string(text.substr(nameBegin, nameEnd - nameBegin))] =
            std::string(text.substr(arrayBegin, arrayEnd - arrayBegin));
    }
    return names;
}

bool spliceTracks(std::string& text, const TrackTable& tracks, std::string& error) {
    const std::map<std::string, std::string> arrays = trackArrayNames(text);
    std::string out = text;
    for (const auto& [name, track] : tracks) {
        const auto it = arrays.find(name);
        const Body body = it == arrays.end() ? Body{} : findBody(out, it->second);
        if (body.begin == std::string::npos) {
            error = "the track data has no array for \"" + name + "\"";
            return false;
        }
        if (track.empty()) {
            error = "\"" + name + "\" would have no keys; its array needs at least one";
            return false;
        }
        const std::string rows = formatTrackRows(track);
        if (body.oneLine) {
            // "{{...}}" becomes "{\n" rows "}" so the result keeps one key a line.
            out.replace(body.begin, body.end - body.begin, "\n" + rows);
        } else {
            out.replace(body.begin, body.end - body.begin, rows);
        }
    }
    text = std::move(out);
    return true;
}

std::optional<TrackTable> parseTrackSource(std::string_view text, std::string& error) {
    TrackTable tracks;
    for (std::size_t at = text.find(kEmplace); at != std::string_view::npos; at = text.find(kEmplace, at + 1)) {
        const std::size_t nameBegin = at + kEmplace.size();
        const std::size_t nameEnd = text.find('"', nameBegin);
        if (nameEnd == std::string_view::npos) break;
        const std::string name(text.substr(nameBegin, nameEnd - nameBegin));
        if (text.substr(nameEnd + 1, 9) == ", Track{}") tracks[name];
    }
    for (const auto& [name, array] : trackArrayNames(text)) {
        const Body body = findBody(text, array);
        if (body.begin == std::string::npos) {
            error = "no array " + array + " for \"" + name + "\"";
            return std::nullopt;
        }
        Track track;
        std::string_view rows = text.substr(body.begin, body.end - body.begin);
        for (std::size_t open = rows.find('{'); open != std::string_view::npos; open = rows.find('{', open + 1)) {
            if (rows.substr(open + 1, 1) == "{") continue;  // the outer brace of a one-line array
            const std::size_t close = rows.find('}', open);
            TrackKey key;
            if (close == std::string_view::npos || !parseRow(rows.substr(open + 1, close + 1 - open - 1), key)) {
                error = "cannot read row " + std::to_string(track.size()) + " of " + array;
                return std::nullopt;
            }
            track.push_back(key);
            open = close;
        }
        tracks[name] = std::move(track);
    }
    if (tracks.empty()) {
        error = "no tracks in the text";
        return std::nullopt;
    }
    return tracks;
}

bool readTextFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

bool writeTextFileAtomically(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + ".writing";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            error = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace tolmero
