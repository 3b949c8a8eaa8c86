#include "QorvFeedbackAddressBook.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(FeedbackAddressBook, GECOSNameSplitsAtTheLastSpace)
{
    struct Case {
        const char* gecos;
        const char* first;
        const char* last;
        const char* name;
    };
    const Case cases[] = {
        { "Ada Lovelace,Room 12,555-0100,,", "Ada", "Lovelace", "Ada Lovelace" },
        { "Ada King Lovelace", "Ada King", "Lovelace", "Ada King Lovelace" },
        { "  Grace   Hopper  ", "Grace", "Hopper", "Grace Hopper" },
        { "root", "root", "", "root" },
        { "", "", "", "" },
        { ",,,", "", "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gecos);
        const auto card = QorvFeedbackAddressBook::cardWithGECOS(c.gecos, " ada@example.org ");
        EXPECT_EQ(card.firstName, c.first);
        EXPECT_EQ(card.lastName, c.last);
        EXPECT_EQ(card.email, "ada@example.org");
        EXPECT_EQ(QorvFeedbackAddressBook::usersName(card), c.name);
    }
    EXPECT_EQ(QorvFeedbackAddressBook::usersName(std::nullopt), "");
    EXPECT_EQ(QorvFeedbackAddressBook::usersName(QorvFeedbackAddressCard { "", "Hopper", "" }), "Hopper");
}

TEST(FeedbackAddressBook, EmailComesFromTheEnvironment)
{
    const char* saved = std::getenv("EMAIL");
    const std::string previous = saved ? saved : "";
    ::setenv("EMAIL", "grace@example.org", 1);
    EXPECT_EQ(QorvFeedbackAddressBook::usersEmail(), "grace@example.org");
    ::unsetenv("EMAIL");
    EXPECT_EQ(QorvFeedbackAddressBook::usersEmail(), "");
    // The running account has a passwd entry, so the name is its GECOS name.
    EXPECT_EQ(QorvFeedbackAddressBook::usersName(), QorvFeedbackAddressBook::fullUserName());
    if (saved)
        ::setenv("EMAIL", previous.c_str(), 1);
}
