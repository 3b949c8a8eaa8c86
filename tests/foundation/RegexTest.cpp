#include "foundation/Regex.h"

#include <gtest/gtest.h>

using namespace qorv;

namespace {

using Groups = std::vector<std::optional<std::string>>;

// The groups of the first match, or one "no match" entry.
Groups firstMatch(const char* pattern, std::string_view subject)
{
    std::string error;
    auto regex = Regex::compile(pattern, &error);
    if (!regex)
        return { "compile error: " + error };
    Regex::Match match;
    if (regex->firstMatch(subject, match, 1000) != Regex::Outcome::Matched)
        return { "no match" };
    return match.groups;
}

} // namespace

TEST(Regex, FirstMatchAndGroups)
{
    struct Case {
        const char* pattern;
        std::string subject;
        Groups expected;
    };
    const Case cases[] = {
        { "(\\d+)-(\\d+)", "call 555-1234 or 666-0000", { "555-1234", "555", "1234" } },
        { "b+", "abbcbbb", { "bb" } },
        { "a(b)?c", "xac", { "ac", std::nullopt } },
        { "a(b)?c", "xabc", { "abc", "b" } },
        { "(x)|(y)", "y", { "y", std::nullopt, "y" } },
        { "^$", "", { "" } },
        { "(?i)CYCLE COUNT", "Cycle Count", { "Cycle Count" } },
        { "\\Q.*\\E", "a.*b", { ".*" } },
        { "^(\\d+) mAh$", "5000 mAh\n", { "5000 mAh", "5000" } },
        { "^(\\d+) mAh$", "5000 mAh max", { "no match" } },
        { "z", "abc", { "no match" } },
        // Byte offsets into UTF-8 text: the groups must cut the subject on character boundaries.
        { "h(\\w+)☃", "Grüße ☃ héllo☃!", { "héllo☃", "éllo" } },
        { "\\p{L}+", "☃☃ Ünïcödé ☃", { "Ünïcödé" } },
        { "^(.)(.)$", "😀x", { "😀x", "😀", "x" } },
        { "abc", "\xff\xfe abc", { "abc" } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(firstMatch(c.pattern, c.subject), c.expected) << c.pattern << " on " << c.subject;
}

TEST(Regex, SyntaxErrorIsReported)
{
    for (const char* pattern : { "(abc", "[a-", "*", "a{2,1}", "\\" }) {
        std::string error;
        EXPECT_EQ(Regex::compile(pattern, &error), std::nullopt) << pattern;
        EXPECT_EQ(error.rfind("U_REGEX_", 0), 0u) << pattern << ": " << error;
    }
    std::string error;
    Regex::compile("(abc", &error);
    EXPECT_EQ(error, "U_REGEX_MISMATCHED_PAREN");
    EXPECT_EQ(Regex::compile("(a)(?:b)(c)")->groupCount(), 2);
}

TEST(Regex, CatastrophicPatternStopsAtTheTimeLimit)
{
    auto regex = Regex::compile("(a+)+b");
    ASSERT_TRUE(regex);
    Regex::Match match;
    EXPECT_EQ(regex->firstMatch("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaac", match, 50), Regex::Outcome::TimedOut);
    EXPECT_TRUE(match.groups.empty());
    EXPECT_EQ(regex->firstMatch("aab", match, 50), Regex::Outcome::Matched) << "the same regex is usable afterwards";
    EXPECT_EQ(match.groups, (Groups { "aab", "aa" }));
}
