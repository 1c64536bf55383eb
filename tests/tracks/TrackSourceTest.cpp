// The track data's source text: numbers, rows, splicing and reading back, on
// the real tracks/TrackData.cpp, and the bounds of the production's tracks.
#include "tracks/TrackBounds.h"
#include "tracks/TrackSource.h"

#include <gtest/gtest.h>

#include <string>

namespace tolmero {
namespace {

std::string productionSource() {
    std::string text;
    std::string error;
    EXPECT_TRUE(readTextFile(TOLMERO_SOURCE_DIR "/tracks/TrackData.cpp", text, error)) << error;
    return text;
}

TEST(TrackSource, NumbersReadBackAsTheFloatsTheyWrite) {
    EXPECT_EQ(formatTrackNumber(0.0f), "0.0f");
    EXPECT_EQ(formatTrackNumber(-0.21798f), "-0.21798f");
    EXPECT_EQ(formatTrackNumber(35.0f), "35.0f");
    EXPECT_EQ(formatTrackNumber(0.00000896002f), "8.96002e-06f");
    EXPECT_EQ(roundTrackNumber(1.23456789f), 1.23457f);
    EXPECT_EQ(formatTrackRows({{1.5f, {2.0f, -3.25f, 0.0f, 3.0f}}, {2.0f, {0.0f, 1.0f, 0.0f, 1.0f}}}),
              "    {1.5f, 2.0f, -3.25f, 0.0f, kCorner},\n    {2.0f, 0.0f, 1.0f, 0.0f, kSmooth},\n");
}

TEST(TrackSource, ReadsEveryCompiledInTrackFromItsSource) {
    std::string error;
    const auto parsed = parseTrackSource(productionSource(), error);
    ASSERT_TRUE(parsed) << error;
    ASSERT_EQ(parsed->size(), productionTracks().size());
    for (const auto& [name, keys] : productionTracks()) {
        ASSERT_TRUE(parsed->count(name)) << name;
        EXPECT_TRUE(sameKeys(parsed->at(name), keys)) << name;
    }
}

TEST(TrackSource, SpliceChangesOnlyTheNamedArrays) {
    const std::string original = productionSource();
    std::string text = original;
    Track kauha = productionTracks().at("Kauha 2");
    kauha[3].value.y = 0.5f;
    Track single = {{232.216f, {20.389f, 0.25f, 0.0f, 1.0f}}};  // a one-line array
    std::string error;
    ASSERT_TRUE(spliceTracks(text, {{"Kauha 2", kauha}, {"Kaivin angle", single}}, error)) << error;

    const auto parsed = parseTrackSource(text, error);
    ASSERT_TRUE(parsed) << error;
    for (const auto& [name, keys] : productionTracks()) {
        const Track& expected = name == "Kauha 2" ? kauha : name == "Kaivin angle" ? single : keys;
        EXPECT_TRUE(sameKeys(parsed->at(name), expected)) << name;
    }
    EXPECT_NE(text.find("const Row kKaivinAngle[] = {\n    {232.216f, 20.389f, 0.25f, 0.0f, kSmooth},\n};"),
              std::string::npos);
    // Splicing the unchanged rows back gives the file byte for byte where the
    // rows are written in the splicer's own form.
    std::string again = original;
    ASSERT_TRUE(spliceTracks(again, {{"Kauha 2", productionTracks().at("Kauha 2")}}, error));
    EXPECT_EQ(again, original);
}

TEST(TrackSource, RefusesTracksWithoutAnArrayAndLeavesTheTextAlone) {
    std::string text = productionSource();
    const std::string before = text;
    std::string error;
    EXPECT_FALSE(spliceTracks(text, {{"Renkaat 1", {{1.0f, {0, 0, 0, 1}}}}}, error));
    EXPECT_NE(error.find("Renkaat 1"), std::string::npos);
    EXPECT_FALSE(spliceTracks(text, {{"Kauha 1", {}}}, error));
    EXPECT_EQ(text, before);
    EXPECT_FALSE(parseTrackSource("const Row kA[] = {\n    {1.0f, 2.0f, kSmooth},\n};\n"
                                  "tracks.emplace(\"A\", toTrack(kA));\n",
                                  error));
}

TEST(TrackBounds, EveryProductionTrackKeepsItsOwnFacts) {
    for (const auto& [name, keys] : productionTracks()) {
        const auto& facts = productionTrackFactsByName();
        ASSERT_TRUE(facts.count(name)) << name;
        EXPECT_TRUE(checkTrack(&facts.at(name), keys, keys).empty()) << name;
    }
}

TEST(TrackBounds, EachFactRefusesItsOwnKindOfChange) {
    const auto& facts = productionTrackFactsByName();
    auto problems = [&](const char* name, auto change) {
        Track edited = productionTracks().at(name);
        change(edited);
        return checkTrack(&facts.at(name), productionTracks().at(name), edited);
    };
    // A range bound carried by its key, and a value beyond the range.
    const Track& kauha = productionTracks().at("Kauha 1");
    std::size_t lowest = 0, highest = 0;
    for (std::size_t i = 0; i < kauha.size(); ++i) {
        if (kauha[i].value.y < kauha[lowest].value.y) lowest = i;
        if (kauha[i].value.y > kauha[highest].value.y) highest = i;
    }
    std::size_t inner = 0;
    while (inner == lowest || inner == highest) ++inner;
    EXPECT_FALSE(problems("Kauha 1", [&](Track& t) { t[lowest].value.y += 0.01f; }).empty());
    EXPECT_FALSE(problems("Kauha 1", [&](Track& t) { t[inner].value.y = 0.3f; }).empty());
    EXPECT_TRUE(problems("Kauha 1", [&](Track& t) { t[inner].value.y = 0.0f; }).empty());
    // Counts, ends, order, kinds, cuts, fixed keys and given tracks.
    EXPECT_FALSE(problems("Kauha 1", [](Track& t) { t.pop_back(); }).empty());
    EXPECT_FALSE(problems("Kauha 1", [](Track& t) { t.front().time -= 1.0f; }).empty());
    EXPECT_FALSE(problems("Kauha 1", [](Track& t) { t[2].time = t[4].time + 0.1f; }).empty());
    EXPECT_FALSE(problems("Kauha 1", [](Track& t) { t[2].value.w = 2.0f; }).empty());
    EXPECT_FALSE(problems("Camera position", [](Track& t) { t[5].time = t[4].time; }).empty());
    EXPECT_FALSE(problems("Camera position", [](Track& t) { t[1].value.x += 0.001f; }).empty());
    EXPECT_TRUE(problems("Camera position", [](Track& t) { t[5].value.x += 0.001f; }).empty());
    EXPECT_FALSE(problems("scene", [](Track& t) { t[1].value.y += 0.001f; }).empty());
    // The sprite frame's curve must keep picking its frames.
    EXPECT_FALSE(problems("Sprite frame", [](Track& t) { t[40].value.y = 60.0f; }).empty());
}

}  // namespace
}  // namespace tolmero
