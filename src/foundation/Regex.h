#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qorv {

// An ICU regular expression compiled with no flags, matched against UTF-8 text.
class Regex {
public:
    // The first match: group 0 is the whole match; a group that took no part holds nullopt.
    struct Match {
        std::vector<std::optional<std::string>> groups;
    };
    enum class Outcome { Matched, NoMatch, TimedOut };

    // nullopt when the pattern does not compile; error then says why.
    static std::optional<Regex> compile(std::string_view pattern, std::string* error = nullptr);

    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;
    ~Regex();

    // Number of capture groups of the pattern.
    int groupCount() const;

    // Searches the whole subject for the leftmost match. A search that runs past the time limit (in ICU's
    // steps of roughly a millisecond) stops with TimedOut.
    Outcome firstMatch(std::string_view subject, Match& match, int timeLimitMs = 0) const;

private:
    struct Impl;
    explicit Regex(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace qorv
