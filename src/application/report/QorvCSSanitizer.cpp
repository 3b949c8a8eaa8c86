#include "QorvCSSanitizer.h"

#include "foundation/IdentifyingText.h"
#include "foundation/ValueRewrite.h"

#include <algorithm>
#include <cctype>
#include <pwd.h>
#include <unistd.h>

namespace {

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || static_cast<unsigned char>(c) >= 0x80;
}

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

} // namespace

void QorvCSSanitizer::addName(std::string name, std::string placeholder)
{
    if (name.size() < 3 || m_known.count(name))
        return;
    m_known.emplace(name, placeholder);
    m_placeholders.emplace(std::move(name), std::move(placeholder));
    m_knownByLength.clear();
}

void QorvCSSanitizer::addComputerNames(const std::string& computerName)
{
    addName(computerName, "[computer name]");
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0 && std::string_view(host) != "localhost")
        addName(host, "[computer name]");
}

void QorvCSSanitizer::addUserNames(const std::vector<std::string>& names)
{
    for (const auto& name : names)
        addName(name, "[user name]");
}

std::vector<std::string> QorvCSSanitizer::accountNames()
{
    std::vector<std::string> names;
    passwd entry {};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || found->pw_uid == 0)
        return names;
    if (found->pw_name)
        names.emplace_back(found->pw_name);
    // The full name is the first comma-separated field of GECOS.
    const std::string gecos = found->pw_gecos ? found->pw_gecos : "";
    names.push_back(gecos.substr(0, gecos.find(',')));
    return names;
}

std::string QorvCSSanitizer::placeholderFor(Kind kind, const std::string& value)
{
    if (auto found = m_placeholders.find(value); found != m_placeholders.end())
        return found->second;
    static const std::map<Kind, std::string_view> names {
        { Kind::Serial, "serial" },
        { Kind::Identifier, "ID" },
        { Kind::Address, "address" },
        { Kind::UUID, "UUID" },
    };
    // Appended piece by piece: GCC 12 misreads `"literal" + std::string` (an insert at the front) as an overlapping
    // copy and warns with -Wrestrict at -O3.
    std::string placeholder = "[";
    placeholder += names.at(kind);
    placeholder += ' ';
    placeholder += std::to_string(++m_counts[kind]);
    placeholder += ']';
    m_placeholders.emplace(value, placeholder);
    return placeholder;
}

void QorvCSSanitizer::learnEntry(std::string_view key, const qorv::Value& value)
{
    const std::string name = lowered(key);
    const bool serial = name.find("serial") != std::string::npos;
    const bool identifier = name == "power source id";
    if (!serial && !identifier)
        return;
    if (!value.asString() && !value.asInteger())
        return;
    std::string text = value.description();
    // A serial of one or two characters ("0") says nothing and would mask every such number.
    if (text.size() < 3 || m_known.count(text))
        return;
    m_known.emplace(text, placeholderFor(serial ? Kind::Serial : Kind::Identifier, text));
    m_knownByLength.clear();
}

void QorvCSSanitizer::learn(const qorv::Value& tree)
{
    if (const auto* dictionary = tree.asDictionary()) {
        for (const auto& [key, entry] : *dictionary) {
            learnEntry(key, entry);
            learn(entry);
        }
    } else if (const auto* array = tree.asArray()) {
        for (const auto& entry : *array)
            learn(entry);
    }
}

std::string QorvCSSanitizer::text(std::string_view text)
{
    if (m_knownByLength.empty() && !m_known.empty()) {
        for (const auto& [value, placeholder] : m_known)
            m_knownByLength.push_back(value);
        std::stable_sort(m_knownByLength.begin(), m_knownByLength.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    }
    std::string result;
    result.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const bool wordStart = at == 0 || !isWordChar(text[at - 1]) || !isWordChar(text[at]);
        if (wordStart) {
            bool masked = false;
            for (const auto& known : m_knownByLength) {
                const size_t end = at + known.size();
                if (text.compare(at, known.size(), known) == 0
                    && (end >= text.size() || !isWordChar(text[end]) || !isWordChar(known.back()))) {
                    result += m_known.at(known);
                    at = end;
                    masked = true;
                    break;
                }
            }
            if (masked)
                continue;
            qorv::IdentifyingText::Kind kind {};
            if (const size_t length = qorv::IdentifyingText::tokenAt(text, at, kind)) {
                const std::string token = lowered(text.substr(at, length));
                result += placeholderFor(kind == qorv::IdentifyingText::Kind::UUID ? Kind::UUID : Kind::Address, token);
                at += length;
                continue;
            }
        }
        result += text[at++];
    }
    return result;
}

qorv::Value QorvCSSanitizer::value(const qorv::Value& value)
{
    return qorv::rewriteLeaves(value, [this](const qorv::Value& leaf) {
        if (const auto* string = leaf.asString())
            return qorv::Value(text(*string));
        // A number that is a learnt identifier (the hashed power-source ID) becomes its placeholder.
        if (leaf.asInteger())
            if (auto found = m_known.find(leaf.description()); found != m_known.end())
                return qorv::Value(found->second);
        return leaf;
    });
}

QorvCSReportItemList QorvCSSanitizer::items(const QorvCSReportItemList& items)
{
    auto masked = [this](const auto& raw) { return raw ? std::optional<std::string>(text(*raw)) : std::nullopt; };
    QorvCSReportItemList result;
    result.reserve(items.size());
    for (const auto& item : items) {
        if (const auto* title = dynamic_cast<const QorvCSReportTitle*>(item.get())) {
            auto copy = std::make_shared<QorvCSReportTitle>(*title);
            copy->setTitle(text(title->title()));
            result.push_back(copy);
        } else if (const auto* table = dynamic_cast<const QorvCSReportTable*>(item.get())) {
            auto copy = QorvCSReportTable::tableWithSummary(text(table->summary()), text(table->caption()));
            copy->setRaw(masked(table->raw()));
            copy->setProvider(masked(table->provider()));
            for (const auto& pair : *table->headingValuePairs()) {
                auto heading = std::make_shared<QorvCSReportTableHeading>(*pair.heading);
                heading->setTitle(text(heading->title()));
                heading->setRaw(masked(heading->raw()));
                heading->setProvider(masked(heading->provider()));
                auto cell = std::make_shared<QorvCSReportTableValue>(*pair.value);
                cell->setLabel(text(cell->label()));
                cell->setRaw(masked(cell->raw()));
                cell->setProvider(masked(cell->provider()));
                cell->setValue(value(cell->value()));
                copy->addHeading(std::move(heading), std::move(cell));
            }
            result.push_back(copy);
        } else {
            result.push_back(item);
        }
    }
    return result;
}
