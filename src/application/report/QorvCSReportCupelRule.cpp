#include "QorvCSReportCupelRule.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>

#include <algorithm>
#include <atomic>
#include <limits>

namespace {

std::atomic<uint64_t> nextSerial { 1 };

const std::string* stringAt(const qorv::Value* dictionary, std::string_view key)
{
    const qorv::Value* value = dictionary ? dictionary->find(key) : nullptr;
    return value ? value->asString() : nullptr;
}

std::optional<std::string> optionalString(const std::string* text)
{
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

// A template is translated whole, before its captures are filled in, so that a translation may move them; the
// English template is the key of its entry in the "QorvCSReportCupel" table, and one without an entry is used as
// written. Working entries that later rules match on keep their codes by having no entry.
std::string translated(const std::string& templateText)
{
    return qorv::Bundle::main().localizedString(templateText, templateText, "QorvCSReportCupel");
}

std::unique_ptr<icu::RegexPattern> compilePattern(const std::string& text)
{
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    UText utext = UTEXT_INITIALIZER;
    utext_openUTF8(&utext, text.data(), static_cast<int64_t>(text.size()), &status);
    UParseError parseError {};
    std::unique_ptr<icu::RegexPattern> pattern;
    if (U_SUCCESS(status))
        pattern.reset(icu::RegexPattern::compile(&utext, 0, parseError, status));
    utext_close(&utext);
    if (U_FAILURE(status))
        pattern.reset();
    return pattern;
}

// Replaces every occurrence of name in one pass. False when the text grew past limit bytes; it is then left
// somewhere past the limit.
bool replaceEvery(std::string& text, const std::string& name, const std::string& replacement, size_t limit)
{
    size_t pos = name.empty() ? std::string::npos : text.find(name);
    if (pos == std::string::npos)
        return true;
    std::string out;
    size_t from = 0;
    for (; pos != std::string::npos; pos = text.find(name, from)) {
        out.append(text, from, pos - from);
        out += replacement;
        from = pos + name.size();
        if (out.size() > limit) {
            text = std::move(out);
            return false;
        }
    }
    out.append(text, from);
    text = std::move(out);
    return text.size() <= limit;
}

// Cuts text to at most limit bytes without splitting a UTF-8 sequence.
void cutTo(std::string& text, size_t limit)
{
    if (text.size() <= limit)
        return;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
}

} // namespace

QorvCSReportCupelRule::QorvCSReportCupelRule(const qorv::Value& fields, std::string source, Compilation compilation)
    : m_serial(nextSerial++)
    , m_source(std::move(source))
    , m_compilation(compilation)
{
    if (const qorv::Value* filter = fields.find("filter")) {
        const auto* entries = filter->asDictionary();
        if (!entries)
            m_filterUnsatisfiable = true;
        for (const auto& [key, value] : entries ? *entries : qorv::Value::Dictionary {}) {
            if (const std::string* text = value.asString())
                m_filter.emplace_back(key, *text);
            else
                m_filterUnsatisfiable = true;
        }
        if (m_filterUnsatisfiable)
            malformed("\"filter\" is not a dictionary of strings; the rule never applies");
    }

    const qorv::Value* match = fields.find("match");
    if (match && !match->isDictionary())
        malformed("\"match\" is not a dictionary");
    m_matchKey = optionalString(stringAt(match, "key"));
    m_regex = optionalString(stringAt(match, "regex"));
    if (!m_matchKey)
        malformed("\"match\" has no \"key\"; the rule never applies");
    else if (!m_regex)
        malformed("\"match\" has no \"regex\"; the rule never applies");
    if (m_regex) {
        m_shape.emplace(*m_regex);
        if (m_compilation == Compilation::Compiled) {
            m_pattern = compilePattern(*m_regex);
            if (m_pattern)
                m_backtracker = QorvCSReportCupelBacktracker::make(*m_regex);
        }
    }

    if (const qorv::Value* captures = match ? match->find("captures") : nullptr) {
        if (const auto* names = captures->asArray()) {
            for (const auto& name : *names) {
                m_captureNames.push_back(optionalString(name.asString()));
                if (!name.isString())
                    malformed("a name in \"captures\" is not a string");
            }
        } else {
            malformed("\"captures\" is not an array");
        }
    }

    const qorv::Value* replace = fields.find("replace");
    if (replace && !replace->isDictionary())
        malformed("\"replace\" is not a dictionary");
    m_format = optionalString(stringAt(replace, "format"));
    m_replaceKey = optionalString(stringAt(replace, "key"));

    if (const qorv::Value* acronym = fields.find("acronym")) {
        const std::string* find = stringAt(acronym, "find");
        const std::string* text = stringAt(acronym, "text");
        if (find && text)
            m_acronym.emplace(*find, *text);
        else
            malformed("\"acronym\" needs the strings \"find\" and \"text\"; it is left out");
    }
}

QorvCSReportCupelRule::~QorvCSReportCupelRule() = default;

std::vector<std::string> QorvCSReportCupelRule::writtenKeys() const
{
    std::vector<std::string> keys;
    if (m_format && m_matchKey)
        keys.push_back(m_replaceKey ? *m_replaceKey : *m_matchKey);
    if (m_acronym)
        keys.emplace_back("acronym");
    return keys;
}

void QorvCSReportCupelRule::malformed(const std::string& reason) const
{
    qorv::logOnce(qorv::format(
        "QorvCSReportCupel rule %@: %@", m_source.empty() ? std::string("made in code") : m_source, reason));
}

qorv::Value::Dictionary::iterator QorvCSReportCupelRule::Lookup::find(
    qorv::Value::Dictionary& record, const std::string& key)
{
    for (size_t index = 0; index < m_count; ++index)
        if (m_found[index]->first == key)
            return m_found[index];
    auto it = record.find(key);
    if (it != record.end() && m_count < m_found.size())
        m_found[m_count++] = it;
    return it;
}

bool QorvCSReportCupelRule::passesFilter(qorv::Value::Dictionary& record, Lookup* lookup) const
{
    if (m_filterUnsatisfiable)
        return false;
    for (const auto& [key, required] : m_filter) {
        auto it = lookup ? lookup->find(record, key) : record.find(key);
        if (it == record.end())
            return false;
        const std::string* actual = it->second.asString();
        if (!actual || *actual != required)
            return false;
    }
    return true;
}

std::optional<std::vector<std::string>> QorvCSReportCupelRule::firstMatch(const std::string& subject) const
{
    if (subject.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    if (m_compilation == Compilation::Literal) {
        auto pattern = compilePattern(*m_regex);
        return pattern ? search(*pattern, nullptr, subject) : std::nullopt;
    }
    if (!m_pattern)
        return std::nullopt; // does not compile: not reported
    if (m_shape->matchesEmptyAtStart())
        return std::vector<std::string>(1); // the whole match, empty; such a pattern has no groups
    std::unique_lock lock(m_matcherMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return search(*m_pattern, nullptr, subject);
    if (auto known = m_outcomes.find(subject); known != m_outcomes.end())
        return known->second;
    if (!m_matcher) {
        UErrorCode status = U_ZERO_ERROR;
        m_matcher.reset(m_pattern->matcher(status));
        if (U_FAILURE(status))
            m_matcher.reset();
    }
    Groups groups = search(*m_pattern, m_matcher.get(), subject);
    // Bounded: at most so many subjects or bytes of them (working entries may hold a table), then start over.
    constexpr size_t outcomesKept = 1024, bytesKept = 1 << 20;
    if (m_outcomes.size() >= outcomesKept || m_outcomesBytes + subject.size() > bytesKept) {
        m_outcomes.clear();
        m_outcomesBytes = 0;
    }
    if (subject.size() <= bytesKept / 16) {
        m_outcomes.emplace(subject, groups);
        m_outcomesBytes += subject.size();
    }
    return groups;
}

QorvCSReportCupelRule::Groups QorvCSReportCupelRule::search(
    const icu::RegexPattern& pattern, icu::RegexMatcher* reusable, const std::string& subject) const
{
    if (m_backtracker && &pattern == m_pattern.get()) {
        std::vector<std::string> groups;
        switch (m_backtracker->firstMatch(subject, groups)) {
        case QorvCSReportCupelBacktracker::Outcome::Matched:
            return groups;
        case QorvCSReportCupelBacktracker::Outcome::NoMatch:
            return std::nullopt;
        case QorvCSReportCupelBacktracker::Outcome::Unknown:
            break;
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> own;
    icu::RegexMatcher* matcher = reusable;
    if (!matcher) {
        own.reset(pattern.matcher(status));
        matcher = own.get();
    }
    if (U_FAILURE(status) || !matcher)
        return std::nullopt;

    // ASCII text is searched as UTF-16, whose offsets are its byte offsets: ICU matches it in a faster loop
    // than UTF-8 text, with the same result.
    const bool ascii = std::all_of(subject.begin(), subject.end(), [](char c) { return (c & 0x80) == 0; });
    UText text = UTEXT_INITIALIZER;
    char16_t shortUnits[64];
    std::u16string longUnits;
    icu::UnicodeString wide;
    if (ascii) {
        char16_t* units = shortUnits;
        if (subject.size() > std::size(shortUnits)) {
            longUnits.resize(subject.size());
            units = longUnits.data();
        }
        std::copy(subject.begin(), subject.end(), units);
        wide.setTo(false, units, static_cast<int32_t>(subject.size())); // read-only, over units
        matcher->reset(wide);
    } else {
        utext_openUTF8(&text, subject.data(), static_cast<int64_t>(subject.size()), &status);
        matcher->reset(&text);
    }
    matcher->setTimeLimit(matchTimeLimit, status);
    const bool found = U_SUCCESS(status) && matcher->find(status);
    Groups groups;
    if (status == U_REGEX_TIME_OUT) {
        qorv::logOnce(
            qorv::format("QorvCSReportCupel rule %@: the pattern %@ ran out of time and counts as not matching",
                m_source.empty() ? std::string("made in code") : m_source, *m_regex));
    } else if (found && U_SUCCESS(status)) {
        groups.emplace();
        const int32_t count = matcher->groupCount();
        for (int32_t group = 0; group <= count; ++group) {
            UErrorCode groupStatus = U_ZERO_ERROR;
            // Over UTF-8 or ASCII text the offsets are byte offsets; a group that took no part has none (-1).
            const int64_t start = matcher->start64(group, groupStatus);
            const int64_t end = matcher->end64(group, groupStatus);
            if (U_SUCCESS(groupStatus) && start >= 0 && end >= start)
                groups->emplace_back(subject, static_cast<size_t>(start), static_cast<size_t>(end - start));
            else
                groups->emplace_back();
        }
    }
    // The matcher holds a shallow clone of the text; it is not read again before the next reset.
    utext_close(&text);
    return groups;
}

std::string QorvCSReportCupelRule::fill(std::string templateText, const Captures& captures, size_t subjectSize) const
{
    // Rules apply one after another to the same record, so a format that repeats a capture would otherwise
    // double a value with every rule file. A filled text may be a few times its subject, and never over 1 MB.
    constexpr size_t absoluteLimit = 1 << 20;
    const size_t limit = std::max(templateText.size(), std::min(absoluteLimit, templateText.size() + 4 * subjectSize));
    for (const auto& [name, text] : captures) {
        if (!replaceEvery(templateText, name, text, limit)) {
            cutTo(templateText, limit);
            qorv::logOnce(qorv::format("QorvCSReportCupel rule %@: the filled text is cut at %@ bytes",
                m_source.empty() ? std::string("made in code") : m_source, limit));
            break;
        }
    }
    return templateText;
}

QorvCSReportCupelRule::Translations QorvCSReportCupelRule::translations() const
{
    const uint64_t generation = qorv::Bundle::main().textsGeneration();
    std::unique_lock lock(m_translationsMutex, std::try_to_lock);
    if (lock.owns_lock() && m_translations.generation == generation)
        return m_translations;
    Translations made { generation, m_format ? translated(*m_format) : std::string(),
        m_acronym ? translated(m_acronym->first) : std::string(),
        m_acronym ? translated(m_acronym->second) : std::string() };
    if (lock.owns_lock())
        m_translations = made;
    return made;
}

bool QorvCSReportCupelRule::apply(qorv::Value::Dictionary& record, Lookup* lookup) const
{
    if (!m_matchKey)
        return false;
    auto subjectEntry = lookup ? lookup->find(record, *m_matchKey) : record.find(*m_matchKey);
    if (subjectEntry == record.end())
        return false;
    const std::string* subject = subjectEntry->second.asString();
    if (!subject || !m_regex)
        return false;
    // The plain way searches every time; it is what the shortcut is checked against. The shortcut goes before the
    // filter: most subjects lack what the pattern needs, and neither check changes the record.
    if (m_compilation == Compilation::Compiled && !m_shape->mayMatch(*subject))
        return false;
    if (!passesFilter(record, lookup))
        return false;

    auto groups = firstMatch(*subject);
    const size_t subjectSize = subject->size(); // the record changes below
    if (!groups)
        return false;
    QorvAssert(!groups->empty(), "Match for a regex.");

    // Names in array order bound to groups 1, 2, 3...; a name given twice keeps the later group's text.
    Captures captures;
    const size_t groupCount = groups->size() - 1;
    for (size_t index = 0; index < m_captureNames.size(); ++index) {
        QorvAssert(index + 1 <= groupCount, "Missing captures");
        if (!m_captureNames[index])
            continue;
        const std::string& name = *m_captureNames[index];
        std::string& text = (*groups)[index + 1];
        bool replaced = false;
        for (auto& capture : captures)
            if (capture.first == name) {
                capture.second = std::move(text);
                replaced = true;
            }
        if (!replaced)
            captures.emplace_back(name, std::move(text));
    }

    if (!m_acronym && !m_format)
        return false;
    Translations texts = translations();
    if (m_acronym)
        record.insert_or_assign("acronym",
            qorv::Value(qorv::Value::Dictionary { { "acronym", fill(std::move(texts.find), captures, subjectSize) },
                { "text", fill(std::move(texts.text), captures, subjectSize) } }));

    if (!m_format)
        return false;
    record.insert_or_assign(
        m_replaceKey ? *m_replaceKey : *m_matchKey, fill(std::move(texts.format), captures, subjectSize));
    return true;
}
