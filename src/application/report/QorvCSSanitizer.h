#pragma once

#include "QorvCSReportItems.h"

#include "foundation/Value.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

// Masks what identifies the computer, its user or its power sources in a document that leaves the machine:
// serial numbers, the hashed power-source identifiers, the computer's and the user's names, hardware (MAC,
// Bluetooth) and IP addresses and UUIDs. The same value always gets the same placeholder ("[serial 1]",
// "[serial 2]"), so a reader can still tell two batteries apart: use one sanitiser for one document, and teach it
// the document's serials and identifiers (learn) before masking.
class QorvCSSanitizer {
public:
    // A name to mask wherever it appears as a whole word (names shorter than three characters are ignored: they
    // would mask ordinary words).
    void addName(std::string name, std::string placeholder);
    // The computer's name and the system's host name, masked as "[computer name]".
    void addComputerNames(const std::string& computerName);
    // A user's names (login, full name), masked as "[user name]".
    void addUserNames(const std::vector<std::string>& names);
    // The running account's login and full names; none for root, whose name is no one's.
    static std::vector<std::string> accountNames();
    // The serial numbers and identifiers under their keys anywhere in a tree (a power-source description, the
    // content tree's debug dictionary).
    void learn(const qorv::Value& tree);

    std::string text(std::string_view text);
    qorv::Value value(const qorv::Value& value);
    // Copies of the items with every text masked; the items given are not changed.
    QorvCSReportItemList items(const QorvCSReportItemList& items);

private:
    enum class Kind { Serial, Identifier, Address, UUID };
    std::string placeholderFor(Kind kind, const std::string& value);
    void learnEntry(std::string_view key, const qorv::Value& value);

    // Known values (serials, identifiers, names) and their placeholders, masked as whole words, longest first.
    std::map<std::string, std::string> m_known;
    std::vector<std::string> m_knownByLength;
    std::map<std::string, std::string> m_placeholders; // every value masked so far
    std::map<Kind, int> m_counts;
};
