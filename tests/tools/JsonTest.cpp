// The JSON of `inspect` and `bench --json`: the text of numbers (nine
// significant digits, no point for integral values, null for what JSON
// cannot hold), that every float reads back as itself, and whole documents
// (key order, nesting, escaping, bytes that are not UTF-8).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "tools/Json.h"

namespace tolmero {
namespace {

TEST(JsonNumbers, FloatsHaveNineSignificantDigits) {
    EXPECT_EQ(jsonText(268.13f), "268.130005");
    EXPECT_EQ(jsonText(0.1f), "0.100000001");
    EXPECT_EQ(jsonText(48.5312576f), "48.5312576");
    EXPECT_EQ(jsonText(-2.5), "-2.5");
    EXPECT_EQ(jsonText(10.0f), "10");
    EXPECT_EQ(jsonText(7680.0), "7680");
    EXPECT_EQ(jsonText(-0.0f), "-0");
    EXPECT_EQ(jsonText(0.00015), "0.00015");
    EXPECT_EQ(jsonText(8.96001984e-06f), "8.96001984e-06");
    EXPECT_EQ(jsonText(1e9f), "1e+09");
    EXPECT_EQ(jsonText(-1e30f), "-1.00000002e+30");
    EXPECT_EQ(jsonText(0.123456789012345), "0.123456789");
}

TEST(JsonNumbers, IntegersAsTheyAreAndNullForWhatJsonCannotHold) {
    EXPECT_EQ(jsonText(Json::array({1234567890123LL, -7, 0u, 4294967295u})), "[1234567890123,-7,0,4294967295]");
    EXPECT_EQ(jsonText(Json::array({std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                    -std::numeric_limits<double>::infinity()})),
              "[null,null,null]");
}

TEST(JsonNumbers, EveryFloatReadsBackAsItself) {
    std::vector<float> values = {std::numeric_limits<float>::min(), std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min(), 16777217.0f, -0.333333343f};
    for (int i = 0; i < 2000; ++i) values.push_back(std::ldexp(1.0f + static_cast<float>(i) / 2000.0f, i % 160 - 80));
    for (const float value : values) {
        const std::string text = jsonText(value);
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
        EXPECT_EQ(static_cast<float>(Json::parse(text).get<double>()), value) << text;
    }
}

TEST(JsonDocuments, KeepKeyOrderNestingAndEscapes) {
    Json document = Json::object();
    document["zeta"] = 1;
    const float pair[2] = {0.5f, 2.0f};
    document["alpha"] = pair;
    document["quote \" and \\"] = "line\nbreak\ttab\x01";
    document["nested"] = {{"b", Json::array({Json::array(), Json::object()})}, {"a", true}};
    EXPECT_EQ(jsonText(document),
              "{\"zeta\":1,\"alpha\":[0.5,2],\"quote \\\" and \\\\\":\"line\\nbreak\\ttab\\u0001\","
              "\"nested\":{\"b\":[[],{}],\"a\":true}}");
    EXPECT_EQ(Json::parse(jsonText(document)), document) << "the text reads back as the same document";
}

TEST(JsonDocuments, ReplaceBytesThatAreNotUtf8) {
    const Json document = {{"device", std::string("GPU \xff") + "\xc3\xa4"}};
    EXPECT_EQ(jsonText(document), "{\"device\":\"GPU \xef\xbf\xbd\xc3\xa4\"}");
}

}  // namespace
}  // namespace tolmero
