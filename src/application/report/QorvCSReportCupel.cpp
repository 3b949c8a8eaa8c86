#include "QorvCSReportCupel.h"

#include "foundation/Assert.h"
#include "foundation/Log.h"
#include "foundation/Regex.h"

#include <map>
#include <mutex>
#include <set>

namespace {

const std::string* stringAt(const qorv::Value* dictionary, std::string_view key)
{
    if (!dictionary)
        return nullptr;
    const qorv::Value* v = dictionary->find(key);
    return v ? v->asString() : nullptr;
}

void replaceEvery(std::string& text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

std::string fill(std::string templateText, const std::map<std::string, std::string>& captures)
{
    for (const auto& [name, text] : captures)
        replaceEvery(templateText, name, text);
    return templateText;
}

// Each pattern that runs out of time is logged once per process.
void logTimeOut(const std::string& pattern)
{
    static std::mutex mutex;
    static std::set<std::string> logged;
    std::lock_guard lock(mutex);
    if (logged.insert(pattern).second)
        qorv::log(qorv::format("rule pattern ran out of time and is treated as not matching: %@", pattern));
}

} // namespace

QorvCSReportCupel::QorvCSReportCupel(qorv::Value someFields)
{
    QorvParameterAssert(someFields);
    m_fields = std::move(someFields);
}

bool QorvCSReportCupel::transform(qorv::Value::Dictionary& record) const
{
    const qorv::Value* match = m_fields.find("match");
    const std::string* matchKey = stringAt(match, "key");
    const qorv::Value* filter = m_fields.find("filter");

    bool passes = true;
    if (filter && filter->asDictionary()) {
        for (const auto& [key, expected] : *filter->asDictionary()) {
            auto it = record.find(key);
            const std::string* actual = it == record.end() ? nullptr : it->second.asString();
            const std::string* wanted = expected.asString();
            if (!actual || !wanted || *actual != *wanted) {
                passes = false;
                break;
            }
        }
    }
    if (!passes || !matchKey)
        return false;
    auto subjectIt = record.find(*matchKey);
    if (subjectIt == record.end())
        return false;
    const std::string* subject = subjectIt->second.asString();
    const std::string* pattern = stringAt(match, "regex");
    if (!subject || !pattern)
        return false;

    auto regex = qorv::Regex::compile(*pattern);
    if (!regex)
        return false;
    qorv::Regex::Match found;
    const auto outcome = regex->firstMatch(*subject, found, matchTimeLimit);
    if (outcome == qorv::Regex::Outcome::TimedOut)
        logTimeOut(*pattern);
    if (outcome != qorv::Regex::Outcome::Matched)
        return false;
    QorvAssert(!found.groups.empty(), "Match for a regex.");

    std::map<std::string, std::string> captures;
    if (const qorv::Value* names = match->find("captures"); names && names->asArray()) {
        size_t group = 1;
        for (const auto& name : *names->asArray()) {
            QorvAssert(group < found.groups.size(), "Missing captures");
            if (const std::string* n = name.asString())
                captures[*n] = found.groups[group].value_or(std::string());
            ++group;
        }
    }

    const qorv::Value* replace = m_fields.find("replace");
    const std::string* formatText = stringAt(replace, "format");
    std::optional<std::string> result;
    if (formatText)
        result = fill(*formatText, captures);

    if (const qorv::Value* acronym = m_fields.find("acronym"); acronym && acronym->isDictionary()) {
        const std::string* findText = stringAt(acronym, "find");
        const std::string* explanation = stringAt(acronym, "text");
        QorvAssert(findText && explanation, "%@ acronym needs \"find\" and \"text\"", className());
        record.insert_or_assign("acronym",
            qorv::Value(qorv::Value::Dictionary {
                { "acronym", fill(*findText, captures) }, { "text", fill(*explanation, captures) } }));
    }

    if (!result)
        return false;
    const std::string* replaceKey = stringAt(replace, "key");
    record.insert_or_assign(replaceKey ? *replaceKey : *matchKey, std::move(*result));
    return true;
}
