#include "foundation/Json.h"

#include <gtest/gtest.h>

#include <cmath>

using qorv::Value;

TEST(Json, StringsAlwaysComeOutAsValidJson)
{
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        { "plain", "\"plain\"" }, { "quote \" back \\ tab \t nl \n", "\"quote \\\" back \\\\ tab \\t nl \\n\"" },
        { std::string("nul \0 bell \x07", 12), "\"nul \\u0000 bell \\u0007\"" },
        { "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x94\x8B",
            "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x94\x8B\"" }, // valid UTF-8 stays
        { "Think\xFFPad", "\"Think\\ufffdPad\"" }, // a stray byte
        { "cut \xE2\x82", "\"cut \\ufffd\\ufffd\"" }, // a sequence cut short
        { "\xC0\xAF", "\"\\ufffd\\ufffd\"" }, // overlong
        { "\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\"" }, // a surrogate
        { "\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\"" }, // beyond U+10FFFF
    };
    for (const auto& c : cases)
        EXPECT_EQ(qorv::Json::write(Value(c.input)), c.expected + "\n") << c.input;
}

TEST(Json, ValuesOfEveryType)
{
    const Value value(Value::Dictionary {
        { "a", Value::Array { true, 42, 1.5, nullptr, std::nan("") } },
        { "d", Value::Date { 0 } },
        { "e", Value::Dictionary {} },
        { "x", Value::Data { "hi!" } },
    });
    EXPECT_EQ(qorv::Json::write(value),
        "{\n  \"a\": [\n    true,\n    42,\n    1.5,\n    null,\n    null\n  ],\n  \"d\": \"2001-01-01T00:00:00Z\",\n"
        "  \"e\": {},\n  \"x\": \"aGkh\"\n}\n");
}
