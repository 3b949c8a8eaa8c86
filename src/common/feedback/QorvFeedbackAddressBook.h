#pragma once

#include <optional>
#include <string>
#include <string_view>

// The user's own card: the account's full name from the passwd GECOS field (first and last name split at the last
// space) and the e-mail address from $EMAIL. An empty member means the card has no such entry.
struct QorvFeedbackAddressCard {
    std::string firstName;
    std::string lastName;
    std::string email;
};

class QorvFeedbackAddressBook {
public:
    // The current account's card; nullopt when the account has no passwd entry.
    static std::optional<QorvFeedbackAddressCard> me();
    // A card from a GECOS field ("Full Name,room,work phone,home phone,other") and an e-mail address.
    static QorvFeedbackAddressCard cardWithGECOS(std::string_view gecos, std::string_view email);

    // The account's full name (the GECOS name as it stands); empty when unknown.
    static std::string fullUserName();

    // The name for the feedback form: the card's first and last name, each when present, joined by one space;
    // empty without a card or names.
    static std::string usersName();
    static std::string usersName(const std::optional<QorvFeedbackAddressCard>& card);
    // The card's e-mail address; empty without one.
    static std::string usersEmail();
};
