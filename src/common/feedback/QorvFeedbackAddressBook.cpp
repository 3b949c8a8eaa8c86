#include "QorvFeedbackAddressBook.h"

#include "foundation/Format.h"
#include "foundation/Log.h"

#include <cstdlib>
#include <exception>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

std::string_view trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// The GECOS name of the current account, or nullopt without a passwd entry.
std::optional<std::string> accountGECOS()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry {};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 || !result)
        return std::nullopt;
    return std::string(result->pw_gecos ? result->pw_gecos : "");
}

std::string environmentEmail()
{
    const char* email = std::getenv("EMAIL");
    return email ? std::string(trimmed(email)) : std::string();
}

} // namespace

QorvFeedbackAddressCard QorvFeedbackAddressBook::cardWithGECOS(std::string_view gecos, std::string_view email)
{
    QorvFeedbackAddressCard card;
    const std::string_view name = trimmed(gecos.substr(0, gecos.find(',')));
    const auto space = name.find_last_of(" \t");
    if (space == std::string_view::npos) {
        card.firstName = std::string(name);
    } else {
        card.firstName = std::string(trimmed(name.substr(0, space)));
        card.lastName = std::string(name.substr(space + 1));
    }
    card.email = std::string(trimmed(email));
    return card;
}

std::optional<QorvFeedbackAddressCard> QorvFeedbackAddressBook::me()
{
    auto gecos = accountGECOS();
    if (!gecos)
        return std::nullopt;
    return cardWithGECOS(*gecos, environmentEmail());
}

std::string QorvFeedbackAddressBook::fullUserName()
{
    auto gecos = accountGECOS();
    return gecos ? std::string(trimmed(std::string_view(*gecos).substr(0, gecos->find(',')))) : std::string();
}

std::string QorvFeedbackAddressBook::usersName(const std::optional<QorvFeedbackAddressCard>& card)
{
    if (!card)
        return {};
    std::string name = card->firstName;
    if (!card->lastName.empty())
        name += (name.empty() ? "" : " ") + card->lastName;
    return name;
}

std::string QorvFeedbackAddressBook::usersName()
{
    const std::string fallback = fullUserName();
    try {
        return usersName(me());
    } catch (const std::exception& e) {
        qorv::log(qorv::format("Address Book Exception: %@", e.what()));
        return fallback;
    }
}

std::string QorvFeedbackAddressBook::usersEmail()
{
    try {
        auto card = me();
        return card ? card->email : std::string();
    } catch (const std::exception& e) {
        qorv::log(qorv::format("Address Book Exception: %@", e.what()));
        return {};
    }
}
