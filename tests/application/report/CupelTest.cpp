#include "QorvCSReportCupel.h"
#include "QorvCSReportCupelBacktracker.h"
#include "QorvCSReportCupelPattern.h"
#include "ReportTestSupport.h"

#include "foundation/Assert.h"
#include "foundation/Log.h"
#include "foundation/Regex.h"

#include "AssertionMessage.h"

#include <gtest/gtest.h>

using qorv::Value;
using reporttest::record;

namespace {

Value dict(std::initializer_list<std::pair<const char*, Value>> entries)
{
    return Value(record(entries));
}

Value match(const char* key, const char* regex, std::initializer_list<Value> captures = {})
{
    Value::Dictionary m { { "key", key }, { "regex", regex } };
    if (captures.size())
        m.emplace("captures", Value(Value::Array(captures)));
    return Value(std::move(m));
}

const Value::Dictionary row = record({ { "presentation heading", "Time to Empty" }, { "heading", "Time to Empty" },
    { "presentation value", "155" }, { "value", "155" }, { "provider", "InternalBattery-0" } });

Value::Dictionary with(Value::Dictionary base, std::initializer_list<std::pair<const char*, Value>> changes)
{
    for (const auto& [key, value] : changes)
        base.insert_or_assign(key, value);
    return base;
}

} // namespace

TEST(Cupel, Transform)
{
    struct Case {
        const char* name;
        Value fields;
        Value::Dictionary in;
        bool applied;
        Value::Dictionary out;
    };
    const Value more = dict({ { "key", "more" }, { "format", "M" } });
    const Case cases[] = {
        { "no filter passes", dict({ { "match", match("value", "^1") }, { "replace", more } }), row, true,
            with(row, { { "more", "M" } }) },
        { "empty filter passes",
            dict({ { "filter", dict({}) }, { "match", match("value", "^1") }, { "replace", more } }), row, true,
            with(row, { { "more", "M" } }) },
        { "filter on an absent key fails",
            dict({ { "filter", dict({ { "kind", "minutes" } }) }, { "match", match("value", "^1") },
                { "replace", more } }),
            row, false, row },
        { "filter is case-sensitive",
            dict({ { "filter", dict({ { "heading", "time to empty" } }) }, { "match", match("value", "1") },
                { "replace", more } }),
            row, false, row },
        { "every filter entry must hold",
            dict({ { "filter", dict({ { "heading", "Time to Empty" }, { "provider", "UPS" } }) },
                { "match", match("value", "1") }, { "replace", more } }),
            row, false, row },
        { "a filter that is not a dictionary of strings never passes",
            dict({ { "filter", dict({ { "heading", 1 } }) }, { "match", match("value", "1") }, { "replace", more } }),
            row, false, row },
        { "filter and match both hold",
            dict({ { "filter", dict({ { "heading", "Time to Empty" } }) }, { "match", match("value", "(5)$", { "D" }) },
                { "replace", dict({ { "format", "D D D" } }) } }),
            row, true, with(row, { { "value", "5 5 5" } }) },
        { "unanchored match in the middle; first of two matches",
            dict({ { "match", match("provider", "(\\w)a(\\w)", { "L", "R" }) },
                { "replace", dict({ { "key", "more" }, { "format", "R-L" } }) } }),
            with(row, { { "provider", "xxcayyday" } }), true,
            with(row, { { "provider", "xxcayyday" }, { "more", "y-c" } }) },
        { "empty match at the first position",
            dict({ { "match", match("value", "(x*)", { "E" }) },
                { "replace", dict({ { "key", "more" }, { "format", "[E]" } }) } }),
            row, true, with(row, { { "more", "[]" } }) },
        { "format without captures is stored as written",
            dict({ { "match", match("value", "155") },
                { "replace", dict({ { "key", "presentation value" }, { "format", "{a} %@ $1" } }) } }),
            row, true, with(row, { { "presentation value", "{a} %@ $1" } }) },
        { "a name given twice keeps the later group",
            dict({ { "match", match("value", "(1)(5)(5)", { "N", "N", "Z" }) },
                { "replace", dict({ { "format", "N/Z" } }) } }),
            row, true, with(row, { { "value", "5/5" } }) },
        { "an optional group that took no part gives empty text",
            dict({ { "match", match("value", "(x)?(155)", { "X", "V" }) },
                { "replace", dict({ { "format", "<X|V>" } }) } }),
            row, true, with(row, { { "value", "<|155>" } }) },
        { "captures cut UTF-8 text on characters",
            dict(
                { { "match", match("value", "(.)ü(.)", { "A", "B" }) }, { "replace", dict({ { "format", "B A" } }) } }),
            with(row, { { "value", "Grüße" } }), true, with(row, { { "value", "ß r" } }) },
        { "replace without format stores nothing",
            dict({ { "match", match("value", "1") }, { "replace", dict({ { "key", "more" } }) } }), row, false, row },
        { "only an acronym",
            dict({ { "match", match("value", "(1)(5)", { "ONE", "FIVE" }) },
                { "acronym", dict({ { "find", "ONE" }, { "text", "FIVE and ONE" } }) } }),
            row, false, with(row, { { "acronym", dict({ { "acronym", "1" }, { "text", "5 and 1" } }) } }) },
        { "acronym with format",
            dict({ { "match", match("presentation value", "^AC") }, { "replace", dict({ { "format", "AC Power" } }) },
                { "acronym", dict({ { "find", "AC" }, { "text", "Alternating Current" } }) } }),
            with(row, { { "presentation value", "AC" } }), true,
            with(row,
                { { "presentation value", "AC Power" },
                    { "acronym", dict({ { "acronym", "AC" }, { "text", "Alternating Current" } }) } }) },
        { "no flags: case-sensitive", dict({ { "match", match("provider", "internal") }, { "replace", more } }), row,
            false, row },
        { "no flags: dot stops at a line end", dict({ { "match", match("value", "a.b") }, { "replace", more } }),
            with(row, { { "value", "a\nb" } }), false, with(row, { { "value", "a\nb" } }) },
        { "no flags: anchors hold for the whole subject",
            dict({ { "match", match("value", "^b") }, { "replace", more } }), with(row, { { "value", "a\nb" } }), false,
            with(row, { { "value", "a\nb" } }) },
        { "no flags: spaces are literal", dict({ { "match", match("heading", "Time to") }, { "replace", more } }), row,
            true, with(row, { { "more", "M" } }) },
        { "no match", dict({ { "match", match("value", "^5") }, { "replace", more } }), row, false, row },
        { "pattern that does not compile", dict({ { "match", match("value", "(155") }, { "replace", more } }), row,
            false, row },
        { "subject key absent", dict({ { "match", match("more", ".*") }, { "replace", more } }), row, false, row },
        { "subject that is not text", dict({ { "match", match("acronym", ".*") }, { "replace", more } }),
            with(row, { { "acronym", dict({}) } }), false, with(row, { { "acronym", dict({}) } }) },
        { "no match key", dict({ { "match", dict({ { "regex", ".*" } }) }, { "replace", more } }), row, false, row },
        { "no regex", dict({ { "match", dict({ { "key", "value" } }) }, { "replace", more } }), row, false, row },
        { "no match at all", dict({ { "replace", more } }), row, false, row },
    };
    for (const auto& c : cases) {
        auto cupel = QorvCSReportCupel::cupelWithFields(c.fields);
        Value::Dictionary record = c.in;
        EXPECT_EQ(cupel->transform(record), c.applied) << c.name;
        EXPECT_EQ(Value(record), Value(c.out)) << c.name << ": " << Value(record).description();
    }
}

TEST(Cupel, TooFewGroupsForTheCapturesFailOnlyWhenTheRuleMatches)
{
    auto cupel = QorvCSReportCupel::cupelWithFields(
        dict({ { "match", match("value", "(1)5", { "A", "B" }) }, { "replace", dict({ { "format", "A" } }) } }));
    Value::Dictionary record = row;
    EXPECT_EQ(assertionMessage([&] { cupel->transform(record); }), "Missing captures");
    EXPECT_EQ(Value(record), Value(row));

    record = with(row, { { "value", "no digits" } });
    EXPECT_FALSE(cupel->transform(record));
}

TEST(Cupel, FilledTextsStayBoundedWhenRulesDoubleAValue)
{
    // Twenty rules in a row, each doubling the value (the rule files of a hostile overlay), and one format that
    // repeats its capture ten thousand times.
    qorv::LogCapture log;
    auto doubling = QorvCSReportCupel::cupelWithFields(
        dict({ { "match", match("value", "^(.*)$", { "$1" }) }, { "replace", dict({ { "format", "$1$1" } }) } }));
    Value::Dictionary record = with(row, { { "value", "0123456789" } });
    for (int i = 0; i < 20; ++i)
        doubling->transform(record);
    EXPECT_LE(record.at("value").asString()->size(), size_t(1) << 20);
    EXPECT_GE(record.at("value").asString()->size(), size_t(1) << 19) << "values still grow, within the cap";

    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += "$1";
    auto repeating = QorvCSReportCupel::cupelWithFields(
        dict({ { "match", match("value", "^(.*)$", { "$1" }) }, { "replace", dict({ { "format", many } }) } }));
    record = with(row, { { "value", std::string(1000, 'x') } });
    repeating->transform(record);
    EXPECT_EQ(record.at("value").asString()->size(), many.size() + 4000);
    const std::vector<std::string> logged {
        "QorvCSReportCupel rule made in code: the filled text is cut at 1048576 bytes",
        "QorvCSReportCupel rule made in code: the filled text is cut at 24000 bytes"
    };
    EXPECT_EQ(log.lines(), logged);
}

TEST(Cupel, RuleMustBeADictionary)
{
    for (const Value& fields : { Value(), Value("rule"), Value::array({ 1 }) })
        EXPECT_EQ(assertionMessage([&] { QorvCSReportCupel::cupelWithFields(fields); }),
            "Invalid parameter not satisfying: someFields")
            << fields.description();
}

TEST(Cupel, PatternThatRunsOutOfTimeDoesNotMatchAndIsLoggedOnce)
{
    qorv::LogCapture log;
    auto cupel = QorvCSReportCupel::cupelWithFields(
        dict({ { "match", match("value", "^(a+)+$") }, { "replace", dict({ { "format", "matched" } }) } }));
    Value::Dictionary record = with(row, { { "value", std::string(40, 'a') + "!" } });
    const Value::Dictionary before = record;
    EXPECT_FALSE(cupel->transform(record));
    EXPECT_FALSE(cupel->transform(record));
    EXPECT_EQ(Value(record), Value(before));

    // The same rule still matches a subject it can decide in time.
    record = with(row, { { "value", "aaaa" } });
    EXPECT_TRUE(cupel->transform(record));
    EXPECT_EQ(record.at("value"), Value("matched"));

    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("^(a+)+$ ran out of time"), std::string::npos) << log.lines()[0];
}

TEST(Cupel, MalformedRuleIsLoggedOnceAndHasNoEffect)
{
    qorv::LogCapture log;
    const Value fields = dict({ { "match", match("value", "1") }, { "acronym", dict({ { "find", "1" } }) } });
    for (int i = 0; i < 3; ++i) {
        Value::Dictionary record = row;
        EXPECT_FALSE(QorvCSReportCupel::cupelWithFields(fields)->transform(record));
        EXPECT_EQ(Value(record), Value(row));
    }
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0],
        "QorvCSReportCupel rule made in code: \"acronym\" needs the strings \"find\" and \"text\"; it is left out");
}

TEST(Cupel, SetFieldsReplacesTheRule)
{
    auto cupel = QorvCSReportCupel::cupelWithFields(
        dict({ { "match", match("value", "1") }, { "replace", dict({ { "format", "one" } }) } }));
    cupel->setFields(dict({ { "match", match("value", "5") }, { "replace", dict({ { "format", "five" } }) } }));
    Value::Dictionary record = row;
    EXPECT_TRUE(cupel->transform(record));
    EXPECT_EQ(record.at("value"), Value("five"));
    EXPECT_EQ(cupel->fields().find("replace")->find("format")->description(), "five");
}

// The shape read from a pattern turns a subject down only when the search could not match it.
TEST(CupelPattern, TurnsDownTextsThatLackTheWordsEveryMatchHolds)
{
    const struct {
        const char* regex;
        const char* subject;
        bool mayMatch;
    } cases[] = {
        { "^(.*?)inputs (.*)$", "2 inputs 3", true },
        { "^(.*?)inputs (.*)$", "2 outputs, 3 input", false },
        { "^Power Adapter \\((\\d+)\\)$", "Power Adapter (2)", true },
        { "^Power Adapter \\((\\d+)\\)$", "Power Adapter 2", false },
        { "(\\d[^,;]*?) free of (\\d)", "5 GB free of 10 GB", true },
        { "(\\d[^,;]*?) free of (\\d)", "5 GB free, 10 GB", false },
        // Choices, optional and repeated pieces and look-arounds end a run of plain characters.
        { "ab(?:c|d)ef", "xabdef", true },
        { "ab(?:c|d)ef", "xbdef", false },
        { "x?yz", "yz", true },
        { "ab+c", "abbc", true },
        { "a(?=b)bc", "abc", true },
        { "a(?:b)c", "abd", false },
        // A subject must hold one of the words a look-ahead or every choice requires, anywhere in it.
        { "^(?=(?:[^,]*, )*(?:Up|Down)(?:, |$))([^,]+)(?:, ([^,]+))?$", "5, Down", true },
        { "^(?=(?:[^,]*, )*(?:Up|Down)(?:, |$))([^,]+)(?:, ([^,]+))?$", "Dow, 5", false },
        { "^(?=(?:[^,]*, )*(?:Up|Down)(?:, |$))([^,]+)(?:, ([^,]+))?$", "Up\n", true },
        { "(?<![\\w])(AC|UPS)\\b|(?<=\\d )(mAh|W)\\b", "5 W", true },
        { "(?<![\\w])(AC|UPS)\\b|(?<=\\d )(mAh|W)\\b", "5 V, DC", false },
        { "(?:(?=ab))?c", "c", true },
        { "(?:Up){0}c|(?:Up){0,2}d", "d", true },
        { "Up|\\d", "5", true },
        { "Up|", "x", true },
        { "^(?!Up)(.*)$", "Down", true },
        { "(?=[ab])\\w", "b", true },
        { "a\xEF\xBF\xBD|b\xEF\xBF\xBD", "a\xFF", true },
        { "(?=.*\xE2\x90\x9E)", "a\xE2\x90\x9E", true },
        { "(?=.*\xE2\x90\x9E)", "a\xFF", false },
        // A repeated anchor may be taken no times: it neither anchors the match nor ends it.
        { "^*&", "a&", true },
        { "^?y", "ay", true },
        { "^abc$?", "abcd", true },
        { "^abc$*", "xabc", false },
        // Bytes that are no character read as U+FFFD in the pattern as in the subject.
        { "\xF4\xB2\x92\x92", "A\x8B\x97\x84\x92\x92", true },
        { "x\xED\xA0\x80", "x\xFF\xFF\xFF", true },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QorvCSReportCupelPattern(c.regex).mayMatch(c.subject), c.mayMatch) << c.regex << " on " << c.subject;
        // The search agrees: it finds what the shape lets through here, and never what the shape turns down.
        auto regex = qorv::Regex::compile(c.regex);
        ASSERT_TRUE(regex) << c.regex;
        qorv::Regex::Match found;
        EXPECT_EQ(regex->firstMatch(c.subject, found) == qorv::Regex::Outcome::Matched, c.mayMatch)
            << c.regex << " on " << c.subject;
    }
}

// A pattern of start anchors alone is known to match without a search; anything more is searched.
TEST(CupelPattern, KnowsAPatternOfStartAnchorsAloneMatchesEverySubject)
{
    for (const auto& [regex, emptyAtStart] :
        std::initializer_list<std::pair<const char*, bool>> { { "^", true }, { "", true }, { "^^", true },
            { "^$", false }, { "(^)", false }, { "^|a", false }, { "\\A", false }, { "^a", false }, { "^(", false } })
        EXPECT_EQ(QorvCSReportCupelPattern(regex).matchesEmptyAtStart(), emptyAtStart) << regex;
}

// Rules search ASCII subjects by a faster way than other text; either way a rule's captures are the groups the
// plain search finds, line terminators, empty groups and groups that took no part included.
TEST(Cupel, CapturesAreThoseOfThePlainSearchForEveryKindOfSubject)
{
    const char* patterns[] = { "^(-?)(\\d+)()$", "^(a|(b))?(.*?)$", "(\\w+)\\.(\\d*)(x)?", "(.)(\\s?)($)" };
    const char* subjects[] = { "", "12", "-7\n", "-7\r\n", "a\r", "x.5 y.", "b\xC3\xA9.1",
        "\xFF"
        "ab",
        "ab\xE2\x80\xA8", "ab\n\n", "\t \x7F" };
    for (const char* pattern : patterns) {
        auto regex = qorv::Regex::compile(pattern);
        ASSERT_TRUE(regex) << pattern;
        auto cupel
            = QorvCSReportCupel::cupelWithFields(dict({ { "match", match("value", pattern, { "<1>", "<2>", "<3>" }) },
                { "replace", dict({ { "format", "[<1>|<2>|<3>]" } }) } }));
        for (const char* subject : subjects) {
            qorv::Regex::Match found;
            std::string expected = "none";
            if (regex->firstMatch(subject, found) == qorv::Regex::Outcome::Matched)
                expected = "[" + found.groups[1].value_or("") + "|" + found.groups[2].value_or("") + "|"
                    + found.groups[3].value_or("") + "]";
            auto record = reporttest::record({ { "value", subject } });
            const bool applied = cupel->transform(record);
            EXPECT_EQ(applied ? *record.at("value").asString() : "none", expected) << pattern << " on " << subject;
        }
    }
}

// Simple patterns over ASCII subjects are searched without ICU; the first match and its groups must be ICU's.
TEST(CupelBacktracker, FindsWhatICUFindsWhereItAnswers)
{
    const char* patterns[] = { "^(-?)(\\d+)$", "^(-?);0*(\\d+)(\\d\\d)\\d{4};(.*)$", "^(-?);(\\d*?)([0-8]?)(9*);(.*)$",
        "^((?:[1-9]\\d?)?)(\\d)$", "^(?:[6-9]\\d{3}|[1-9]\\d{4,})$", "^([^#]*)#, (.+)$", "(a|ab)(c|bcd)(d*)",
        "(?:(a)|b)+", "(a+)+b", "a*?b", "x{2,3}?", "x{2,}", "(\\d\\d)+", "^$", "$", "^", ".", "(.)$", "a{0}b", "[^#]*#",
        "[a-c.]+", "\\.\\-\\ \\t", "(a)|b", "^On battery(.*)$", "\\|(.+)$", "#[Oo]n battery#.*\\|(.+)$", "\\r$",
        "[^a]$", "(?:(a)x|ab)", "(a)?b|ac" };
    const char* subjects[] = { "", "0", "12", "-7\n", "-7\r\n", "7\r", "\r\n", "a\nb", ";0000001888; Wh", "-;12999;x",
        "Yes", "ab#, cd", "ab#", "abcd", "abcdd", "ab", "bab", "aaab", "xxxx", "123456", "\n", ". -\t",
        "#on battery#x|OL", "On battery, low", "5 GB\n\n", "a\r\n", "ac" };
    for (const char* pattern : patterns) {
        auto regex = qorv::Regex::compile(pattern);
        ASSERT_TRUE(regex) << pattern;
        auto backtracker = QorvCSReportCupelBacktracker::make(pattern);
        ASSERT_TRUE(backtracker) << pattern;
        for (const char* subject : subjects) {
            qorv::Regex::Match expected;
            const bool matched = regex->firstMatch(subject, expected) == qorv::Regex::Outcome::Matched;
            QorvCSReportCupelBacktracker::Groups groups;
            const auto outcome = backtracker->firstMatch(subject, groups);
            ASSERT_EQ(outcome,
                matched ? QorvCSReportCupelBacktracker::Outcome::Matched
                        : QorvCSReportCupelBacktracker::Outcome::NoMatch)
                << pattern << " on " << subject;
            if (!matched)
                continue;
            ASSERT_EQ(groups.size(), expected.groups.size()) << pattern;
            for (size_t group = 0; group < groups.size(); ++group)
                EXPECT_EQ(groups[group], expected.groups[group].value_or(""))
                    << pattern << " on " << subject << " #" << group;
        }
    }
    // What it does not know is left to ICU: the pattern, or the subject.
    for (const char* pattern : { "(?=a)a", "(?<!a)b", "(a)\\1", "\\w", "\\s", "(?i)a", "a++", "(a*)*", "(a?)+",
             "\\p{L}", "[[:alpha:]]", "[a b]", "\xC3\xA9", "\\Qa\\E", "\\x41", "a{1001}", "\\bx", "^*" })
        EXPECT_FALSE(QorvCSReportCupelBacktracker::make(pattern)) << pattern;
    auto digits = QorvCSReportCupelBacktracker::make("^(\\d+)$");
    QorvCSReportCupelBacktracker::Groups groups;
    EXPECT_EQ(digits->firstMatch("\xD9\xA3", groups), QorvCSReportCupelBacktracker::Outcome::Unknown);
    EXPECT_EQ(digits->firstMatch(std::string(300, '1'), groups), QorvCSReportCupelBacktracker::Outcome::Unknown);
}
