#include "Regex.h"

#include <unicode/regex.h>
#include <unicode/utext.h>

#include <limits>

namespace qorv {

struct Regex::Impl {
    std::unique_ptr<icu::RegexPattern> pattern;
};

Regex::Regex(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{ }
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;
Regex::~Regex() = default;

std::optional<Regex> Regex::compile(std::string_view pattern, std::string* error)
{
    if (pattern.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        if (error)
            *error = "pattern too long";
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    UText* text = utext_openUTF8(nullptr, pattern.data(), static_cast<int64_t>(pattern.size()), &status);
    UParseError parseError {};
    std::unique_ptr<icu::RegexPattern> compiled;
    if (U_SUCCESS(status))
        compiled.reset(icu::RegexPattern::compile(text, 0, parseError, status));
    utext_close(text);
    if (U_FAILURE(status) || !compiled) {
        if (error)
            *error = u_errorName(status);
        return std::nullopt;
    }
    auto impl = std::make_unique<Impl>();
    impl->pattern = std::move(compiled);
    return Regex(std::move(impl));
}

int Regex::groupCount() const
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(m_impl->pattern->matcher(status));
    if (U_FAILURE(status) || !matcher)
        return 0;
    return matcher->groupCount();
}

Regex::Outcome Regex::firstMatch(std::string_view subject, Match& match, int timeLimitMs) const
{
    match.groups.clear();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(m_impl->pattern->matcher(status));
    if (U_FAILURE(status) || !matcher)
        return Outcome::NoMatch;
    UText* text = utext_openUTF8(nullptr, subject.data(), static_cast<int64_t>(subject.size()), &status);
    if (U_FAILURE(status))
        return Outcome::NoMatch;
    matcher->reset(text);
    if (timeLimitMs > 0)
        matcher->setTimeLimit(timeLimitMs, status);
    const bool found = matcher->find(status);
    Outcome outcome = Outcome::NoMatch;
    if (status == U_REGEX_TIME_OUT) {
        outcome = Outcome::TimedOut;
    } else if (U_SUCCESS(status) && found) {
        outcome = Outcome::Matched;
        const int32_t groups = matcher->groupCount();
        for (int32_t g = 0; g <= groups; ++g) {
            UErrorCode groupStatus = U_ZERO_ERROR;
            // With UTF-8 text, start64/end64 are byte offsets into the subject.
            const int64_t start = matcher->start64(g, groupStatus);
            const int64_t end = matcher->end64(g, groupStatus);
            if (U_FAILURE(groupStatus) || start < 0 || end < start)
                match.groups.emplace_back(std::nullopt);
            else
                match.groups.emplace_back(
                    std::string(subject.substr(static_cast<size_t>(start), static_cast<size_t>(end - start))));
        }
    }
    matcher.reset();
    utext_close(text);
    return outcome;
}

} // namespace qorv
