#include "foundation/Format.h"
#include "foundation/Assert.h"
#include "foundation/Log.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <unistd.h>

using namespace qorv;

TEST(Format, ConversionsOfOneArgument)
{
    struct Case {
        const char* format;
        FormatArgument argument;
        const char* expected;
    };
    const Case cases[] = {
        { "%@", "text", "text" },
        { "%@", 42, "42" },
        { "%@", 2.5, "2.5" },
        { "%@", Value(true), "1" },
        { "%d", -7, "-7" },
        { "%ld", -123456789012LL, "-123456789012" },
        { "%lld", LLONG_MIN, "-9223372036854775808" },
        { "%u", 7u, "7" },
        { "%lu", ULONG_MAX, "18446744073709551615" },
        { "%x", 255, "ff" },
        { "%02x", 5, "05" },
        { "%02x", 0xabc, "abc" },
        { "%#x", 16, "0x10" },
        { "%x", -1, "ffffffff" }, // a 32-bit conversion shows a negative int as C does
        { "%llx", 18446744073709551615ull, "ffffffffffffffff" },
        { "%lx", -1, "ffffffffffffffff" },
        { "%5d", 42, "   42" },
        { "%-5d|", 42, "42   |" },
        { "%05d", -42, "-0042" },
        { "%+d", 3, "+3" },
        { "%.2f", 3.14159, "3.14" },
        { "%e", 1000.0, "1.000000e+03" },
        { "%c", 'A', "A" },
        { "%.3@", "abcdef", "abc" },
        { "%8@|", "ab", "      ab|" },
        { "%d", "not a number", "not a number" }, // shown as %@ would
        { "%f", "nan?", "nan?" },
        { "%d", 2.9, "2" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(format(c.format, { c.argument }), c.expected) << c.format;
}

TEST(Format, PercentPointerAndPositions)
{
    EXPECT_EQ(format("100%%"), "100%");
    EXPECT_EQ(format("%d%%", 5), "5%");
    int object = 0;
    char expected[32];
    std::snprintf(expected, sizeof expected, "%p", static_cast<void*>(&object));
    EXPECT_EQ(format("notified: %p", &object), std::string("notified: ") + expected);
    EXPECT_EQ(format("%2$@ %1$@", "world", "hello"), "hello world");
    EXPECT_EQ(format("%1$@-%1$@", "x"), "x-x");
    EXPECT_EQ(format("%2$d", 1, 2), "2");
    EXPECT_EQ(formatArgumentCount("%@ and %3$d"), 3);
    EXPECT_EQ(formatArgumentCount("100%% %@ %@"), 2);
    EXPECT_EQ(formatArgumentCount("bad %y"), -1);
}

TEST(Format, MismatchedArgumentsNeverFail)
{
    EXPECT_EQ(format("%@ and %@", "one"), "one and (null)");
    EXPECT_EQ(format("%5@|", {}), "(null)|");
    EXPECT_EQ(format("%9$@", "a"), "(null)");
    EXPECT_EQ(format("no conversions", 1, 2, 3), "no conversions");
    EXPECT_EQ(format("%@", "a", "b"), "a");
}

TEST(Format, MalformedConversionsAreCopiedAsWritten)
{
    EXPECT_EQ(format("50%"), "50%");
    EXPECT_EQ(format("%y %@", "a"), "%y a");
    EXPECT_EQ(format("%*d", 4, 5), "%*d") << "a star width is not supported";
    EXPECT_EQ(format("%n", 1), "%n");
    EXPECT_EQ(format("%0$@", "a"), "%0$@");
    EXPECT_EQ(format("%-"), "%-");
    EXPECT_EQ(format("%lllld", 1), "%lllld");
}

TEST(Format, HugeWidthAndPrecisionAreSafe)
{
    // Run under the address sanitizer: none of these may overflow a buffer or be truncated silently.
    EXPECT_EQ(format("%20000d", 1).size(), 20000u);
    EXPECT_EQ(format("%99999999999999999999d", 1).size(), 99999u);
    EXPECT_EQ(format("%.20000f", 1.0).size(), 20002u);
    EXPECT_EQ(format("%.99999999999@", "abc"), "abc");
    EXPECT_EQ(format("%20000@", "x").size(), 20000u);
    EXPECT_EQ(format("%999999999$@", "x"), "%999999999$@");
    EXPECT_EQ(format("%.400f", 1e300).size(), 302u + 400u);
}

TEST(Assert, MessagesAreExact)
{
    try {
        const void* aRawSource = nullptr;
        QorvParameterAssert(aRawSource);
        FAIL() << "no assertion";
    } catch (const AssertionFailure& e) {
        EXPECT_STREQ(e.what(), "Invalid parameter not satisfying: aRawSource");
    }
    try {
        QorvAssert(1 + 1 == 3, "%@'s toolbar is not connected.", "QorvCSApplicationController");
        FAIL() << "no assertion";
    } catch (const AssertionFailure& e) {
        EXPECT_STREQ(e.what(), "QorvCSApplicationController's toolbar is not connected.");
    }
    EXPECT_THROW(QorvAssert(false, "Unsupported init method."), AssertionFailure);
    EXPECT_NO_THROW(QorvAssert(true, "never %@"));
}

TEST(Log, LineShapeAndCapture)
{
    {
        LogCapture capture;
        log("profile exception caught: boom");
        ASSERT_EQ(capture.lines().size(), 1u);
        EXPECT_EQ(capture.lines()[0], "profile exception caught: boom");
        EXPECT_TRUE(capture.contains("boom"));
        EXPECT_FALSE(capture.contains("other"));
    }
    testing::internal::CaptureStderr();
    log("one line");
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(written, "cellsheet[" + std::to_string(::getpid()) + "]: one line\n");
}
