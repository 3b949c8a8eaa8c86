#include "QorvCSReportCupelPattern.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace {

using Bytes = std::bitset<256>;

// Any byte of a multi-byte character, and any byte of malformed UTF-8 (which the search reads as U+FFFD).
Bytes nonASCIIBytes()
{
    Bytes bytes;
    for (int byte = 0x80; byte < 0x100; ++byte)
        bytes.set(size_t(byte));
    return bytes;
}

Bytes byteRange(unsigned char from, unsigned char to)
{
    Bytes bytes;
    for (int byte = from; byte <= to; ++byte)
        bytes.set(size_t(byte));
    return bytes;
}

constexpr size_t textsKept = 256; // a list of more whole texts than this is not worth keeping
constexpr size_t heldKept = 64; // nor a list of more texts one of which a subject must hold

// One piece of a pattern: what it can start with, whether it can match nothing, and, while it is made only of
// literal text and groups of such, the texts it matches.
struct Fragment {
    enum class Kind { Consuming, Start, End, ZeroWidth };
    Kind kind = Kind::Consuming;
    Bytes first;
    bool nullable = false;
    std::optional<std::vector<std::string>> texts;
    // Whenever the fragment matches, the subject holds one of these texts (none empty), where its texts do not say
    // as much already: those a look-ahead requires, or those of a repeated literal.
    std::optional<std::vector<std::string>> holds;
};

// Texts one of which the subject holds whenever the fragment matches, or null.
const std::vector<std::string>* heldTexts(const Fragment& fragment)
{
    if (fragment.holds)
        return &*fragment.holds;
    if (fragment.texts && fragment.kind == Fragment::Kind::Consuming && fragment.texts->size() <= heldKept
        && std::none_of(fragment.texts->begin(), fragment.texts->end(), [](const auto& t) { return t.empty(); }))
        return &*fragment.texts;
    return nullptr;
}

constexpr int deepestGroup = 64;

Fragment literal(std::string text, Bytes first)
{
    Fragment fragment;
    fragment.first = first;
    fragment.texts = std::vector<std::string> { std::move(text) };
    return fragment;
}

Fragment anything()
{
    Fragment fragment;
    fragment.first.set();
    return fragment;
}

Fragment zeroWidth(Fragment::Kind kind)
{
    Fragment fragment;
    fragment.kind = kind;
    fragment.nullable = true;
    return fragment;
}

Fragment combineSequence(const std::vector<Fragment>& atoms)
{
    Fragment sequence;
    sequence.nullable = true;
    for (const auto& atom : atoms) {
        if (!sequence.nullable)
            break;
        sequence.first |= atom.first;
        sequence.nullable = atom.nullable;
    }
    // Every atom of a sequence takes part in its match: the longest shortest text is the rarest requirement.
    auto shortest = [](const std::vector<std::string>& texts) {
        size_t length = std::string::npos;
        for (const auto& text : texts)
            length = std::min(length, text.size());
        return length;
    };
    const std::vector<std::string>* best = nullptr;
    size_t bestShortest = 0;
    for (const auto& atom : atoms)
        if (const auto* held = heldTexts(atom)) {
            const size_t length = shortest(*held);
            if (!best || length > bestShortest || (length == bestShortest && held->size() < best->size())) {
                best = held;
                bestShortest = length;
            }
        }
    if (best)
        sequence.holds = *best;
    std::vector<std::string> texts { std::string() };
    for (const auto& atom : atoms) {
        if (!atom.texts || atom.kind != Fragment::Kind::Consuming)
            return sequence;
        std::vector<std::string> longer;
        for (const auto& head : texts)
            for (const auto& tail : *atom.texts) {
                if (longer.size() == textsKept)
                    return sequence;
                longer.push_back(head + tail);
            }
        texts = std::move(longer);
    }
    // The whole texts are the strongest requirement (see heldTexts).
    sequence.holds.reset();
    sequence.texts = std::move(texts);
    return sequence;
}

Fragment combineAlternatives(const std::vector<Fragment>& alternatives)
{
    Fragment alternation;
    std::vector<std::string> texts;
    bool allTexts = true;
    std::vector<std::string> held;
    bool allHold = !alternatives.empty();
    for (const auto& alternative : alternatives) {
        const auto* alternativeHolds = heldTexts(alternative);
        if (alternativeHolds && held.size() + alternativeHolds->size() <= heldKept)
            held.insert(held.end(), alternativeHolds->begin(), alternativeHolds->end());
        else
            allHold = false;
        alternation.first |= alternative.first;
        alternation.nullable = alternation.nullable || alternative.nullable;
        if (alternative.texts && texts.size() + alternative.texts->size() <= textsKept)
            texts.insert(texts.end(), alternative.texts->begin(), alternative.texts->end());
        else
            allTexts = false;
    }
    if (allTexts)
        alternation.texts = std::move(texts);
    if (allHold)
        alternation.holds = std::move(held);
    return alternation;
}

// A recursive reading of the pattern that gives up (failed) on anything it does not know for certain.
class Reader {
public:
    explicit Reader(std::string_view pattern)
        : m_pattern(pattern)
    { }

    // The top level's alternatives, each as its sequence of atoms; nullopt when the pattern was not understood.
    std::optional<std::vector<std::vector<Fragment>>> read()
    {
        auto alternatives = alternativeSequences(0);
        if (m_failed || m_pos != m_pattern.size())
            return std::nullopt;
        return alternatives;
    }

private:
    bool atEnd() const { return m_pos >= m_pattern.size(); }
    char peek(size_t ahead = 0) const { return m_pos + ahead < m_pattern.size() ? m_pattern[m_pos + ahead] : '\0'; }
    bool startsWith(std::string_view text) const { return m_pattern.substr(m_pos).starts_with(text); }
    Fragment fail()
    {
        m_failed = true;
        return anything();
    }

    std::vector<std::vector<Fragment>> alternativeSequences(int depth)
    {
        std::vector<std::vector<Fragment>> alternatives;
        for (;;) {
            std::vector<Fragment> atoms;
            while (!m_failed && !atEnd() && peek() != '|' && peek() != ')')
                atoms.push_back(quantified(depth));
            alternatives.push_back(std::move(atoms));
            if (m_failed || peek() != '|')
                return alternatives;
            ++m_pos;
        }
    }

    Fragment quantified(int depth)
    {
        Fragment fragment = atom(depth);
        if (m_failed)
            return fragment;
        const char q = peek();
        if (q == '?' || q == '*') {
            ++m_pos;
            fragment.nullable = true;
            fragment.holds.reset();
        } else if (q == '+') {
            ++m_pos;
        } else if (q == '{') {
            ++m_pos;
            const size_t digits = m_pos;
            while (!atEnd() && peek() >= '0' && peek() <= '9')
                ++m_pos;
            if (m_pos == digits)
                return fail();
            const bool none = m_pattern.substr(digits, m_pos - digits).find_first_not_of('0') == std::string::npos;
            if (peek() == ',')
                ++m_pos;
            while (!atEnd() && peek() >= '0' && peek() <= '9')
                ++m_pos;
            if (peek() != '}')
                return fail();
            ++m_pos;
            fragment.nullable = fragment.nullable || none;
            if (none)
                fragment.holds.reset();
        } else {
            return fragment;
        }
        // A repeated anchor may be taken no times ("^*", "$?"): it no longer anchors or ends the match.
        if (fragment.kind == Fragment::Kind::Start || fragment.kind == Fragment::Kind::End)
            fragment.kind = Fragment::Kind::ZeroWidth;
        // Repeated at least once, a literal's texts are still held.
        if (!fragment.nullable && !fragment.holds)
            if (const auto* held = heldTexts(fragment))
                fragment.holds = *held;
        fragment.texts.reset();
        if (peek() == '?' || peek() == '+') // lazy or possessive
            ++m_pos;
        return fragment;
    }

    Fragment atom(int depth)
    {
        const auto c = static_cast<unsigned char>(peek());
        switch (c) {
        case '(':
            return group(depth);
        case '[':
            return characterClass();
        case '.':
            ++m_pos;
            return anything();
        case '^':
            ++m_pos;
            return zeroWidth(Fragment::Kind::Start);
        case '$':
            ++m_pos;
            return zeroWidth(Fragment::Kind::End);
        case '\\':
            return escape();
        case '*':
        case '+':
        case '?':
        case '{':
        case '}':
        case ']':
            return fail();
        default:
            break;
        }
        if (c < 0x80) {
            ++m_pos;
            Bytes first;
            first.set(c);
            return literal(std::string(1, char(c)), first);
        }
        const size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
        if (length == 0 || (c >= 0xF5) || m_pos + length > m_pattern.size())
            return fail();
        for (size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(m_pattern[m_pos + i]) & 0xC0) != 0x80)
                return fail();
        // Overlong forms, surrogates and code points past U+10FFFF read as U+FFFD too, not as these bytes.
        const auto second = static_cast<unsigned char>(m_pattern[m_pos + 1]);
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) || (c == 0xF0 && second < 0x90)
            || (c == 0xF4 && second > 0x8F))
            return fail();
        std::string text(m_pattern.substr(m_pos, length));
        m_pos += length;
        Fragment fragment = literal(text, nonASCIIBytes());
        if (text == "\xEF\xBF\xBD") { // also what malformed input reads as
            fragment.texts.reset();
            fragment.holds.reset();
        }
        return fragment;
    }

    Fragment group(int depth)
    {
        if (depth >= deepestGroup)
            return fail();
        bool lookaround = false, lookahead = false;
        if (startsWith("(?:")) {
            m_pos += 3;
        } else if (startsWith("(?=") || startsWith("(?!")) {
            lookahead = m_pattern[m_pos + 2] == '=';
            m_pos += 3;
            lookaround = true;
        } else if (startsWith("(?<=") || startsWith("(?<!")) {
            m_pos += 4;
            lookaround = true;
        } else if (startsWith("(?")) {
            return fail(); // flags, named or atomic groups, comments
        } else {
            ++m_pos;
        }
        std::vector<Fragment> alternatives;
        for (const auto& atoms : alternativeSequences(depth + 1))
            alternatives.push_back(combineSequence(atoms));
        if (m_failed || peek() != ')')
            return fail();
        ++m_pos;
        if (lookaround) {
            Fragment fragment = zeroWidth(Fragment::Kind::ZeroWidth);
            // What a look-ahead matches lies in the subject, though outside the match.
            if (lookahead)
                if (const Fragment body = combineAlternatives(alternatives); const auto* held = heldTexts(body))
                    fragment.holds = *held;
            return fragment;
        }
        return combineAlternatives(alternatives);
    }

    // Skips a set, nested sets and properties included; it may start with any byte.
    Fragment characterClass()
    {
        ++m_pos;
        if (peek() == '^')
            ++m_pos;
        if (peek() == ']')
            ++m_pos;
        for (int open = 1; !atEnd();) {
            const char c = peek();
            ++m_pos;
            if (c == '\\') {
                if (atEnd())
                    break;
                ++m_pos;
                if (peek() == '{') {
                    const size_t close = m_pattern.find('}', m_pos);
                    if (close == std::string_view::npos)
                        break;
                    m_pos = close + 1;
                }
            } else if (c == '[') {
                ++open;
            } else if (c == ']' && --open == 0) {
                return anything();
            }
        }
        return fail();
    }

    Fragment escape()
    {
        if (m_pos + 1 >= m_pattern.size())
            return fail();
        const auto e = static_cast<unsigned char>(m_pattern[m_pos + 1]);
        m_pos += 2;
        if (e < 0x80 && !std::isalnum(e)) {
            Bytes first;
            first.set(e);
            return literal(std::string(1, char(e)), first);
        }
        Fragment fragment;
        switch (e) {
        case 'd':
            fragment.first = byteRange('0', '9') | nonASCIIBytes();
            return fragment;
        case 's':
            fragment.first = byteRange('\t', '\r') | nonASCIIBytes();
            fragment.first.set(' ');
            return fragment;
        case 'w':
            fragment.first = byteRange('0', '9') | byteRange('A', 'Z') | byteRange('a', 'z') | nonASCIIBytes();
            fragment.first.set('_');
            return fragment;
        case 'D':
        case 'S':
        case 'W':
        case 'h':
        case 'H':
        case 'v':
        case 'V':
        case 'R':
        case 'X':
            return anything();
        case 'p':
        case 'P': {
            if (peek() != '{')
                return fail();
            const size_t close = m_pattern.find('}', m_pos);
            if (close == std::string_view::npos)
                return fail();
            m_pos = close + 1;
            return anything();
        }
        case 'b':
        case 'B':
        case 'A':
        case 'z':
        case 'Z':
        case 'G':
            return zeroWidth(Fragment::Kind::ZeroWidth);
        default:
            break;
        }
        const char control = e == 't' ? '\t'
            : e == 'n'                ? '\n'
            : e == 'r'                ? '\r'
            : e == 'f'                ? '\f'
            : e == 'a'                ? '\a'
            : e == 'e'                ? '\x1B'
                                      : '\0';
        if (control == '\0')
            return fail(); // back references, code points, quoting and the rest
        Bytes first;
        first.set(static_cast<unsigned char>(control));
        return literal(std::string(1, control), first);
    }

    std::string_view m_pattern;
    size_t m_pos = 0;
    bool m_failed = false;
};

} // namespace

QorvCSReportCupelPattern::QorvCSReportCupelPattern(std::string_view regex)
{
    auto alternatives = Reader(regex).read();
    if (!alternatives)
        return;
    std::vector<Fragment> combined;
    for (const auto& atoms : *alternatives)
        combined.push_back(combineSequence(atoms));
    const Fragment whole = combineAlternatives(combined);
    if (const auto* held = heldTexts(whole)) {
        m_holdsOneOf = *held;
        // By first byte, so that a subject is read once.
        std::sort(m_holdsOneOf.begin(), m_holdsOneOf.end(), [](const std::string& a, const std::string& b) {
            return static_cast<unsigned char>(a.front()) < static_cast<unsigned char>(b.front());
        });
        for (const auto& text : m_holdsOneOf)
            ++m_holdsFrom[static_cast<unsigned char>(text.front()) + 1];
        for (size_t byte = 1; byte < m_holdsFrom.size(); ++byte)
            m_holdsFrom[byte] += m_holdsFrom[byte - 1];
    }
    m_emptyAtStart = alternatives->size() == 1
        && std::all_of(alternatives->front().begin(), alternatives->front().end(),
            [](const Fragment& atom) { return atom.kind == Fragment::Kind::Start; });
    if (whole.nullable)
        return;
    m_constrained = true;
    m_firstBytes = whole.first;
    if (alternatives->size() != 1)
        return;
    const auto& atoms = alternatives->front();
    std::string run;
    for (const auto& atom : atoms) {
        if (atom.kind == Fragment::Kind::Consuming && !atom.nullable && atom.texts && atom.texts->size() == 1) {
            run += atom.texts->front();
            if (run.size() > m_required.size())
                m_required = run;
        } else {
            run.clear();
        }
    }
    if (m_holdsOneOf.size() == 1 && m_required.find(m_holdsOneOf.front()) != std::string::npos)
        m_holdsOneOf.clear(); // the required text says as much
    m_anchored = !atoms.empty() && atoms.front().kind == Fragment::Kind::Start;
    if (!m_anchored || atoms.size() < 3 || atoms.back().kind != Fragment::Kind::End)
        return;
    const Fragment middle = combineSequence(std::vector<Fragment>(atoms.begin() + 1, atoms.end() - 1));
    if (!middle.texts)
        return;
    m_wholeTextsOnly = true;
    m_wholeTexts.insert(middle.texts->begin(), middle.texts->end());
}

std::string_view QorvCSReportCupelPattern::withoutFinalLineTerminator(std::string_view subject)
{
    for (std::string_view terminator : { "\r\n", "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9" })
        if (subject.ends_with(terminator))
            return subject.substr(0, subject.size() - terminator.size());
    if (!subject.empty() && subject.back() >= '\n' && subject.back() <= '\r')
        return subject.substr(0, subject.size() - 1);
    return subject;
}

bool QorvCSReportCupelPattern::holdsOneOf(std::string_view subject) const
{
    for (size_t at = 0; at < subject.size(); ++at) {
        const auto byte = static_cast<unsigned char>(subject[at]);
        for (uint16_t index = m_holdsFrom[byte]; index < m_holdsFrom[byte + 1]; ++index)
            if (subject.substr(at).starts_with(m_holdsOneOf[index]))
                return true;
    }
    return false;
}

bool QorvCSReportCupelPattern::mayMatch(std::string_view subject) const
{
    if (!m_constrained)
        return m_holdsOneOf.empty() || holdsOneOf(subject);
    if (m_wholeTextsOnly) {
        if (m_wholeTexts.contains(subject))
            return true;
        const std::string_view shorter = withoutFinalLineTerminator(subject);
        return shorter.size() != subject.size() && m_wholeTexts.contains(shorter);
    }
    if (m_anchored) {
        if (subject.empty() || !m_firstBytes.test(static_cast<unsigned char>(subject.front())))
            return false;
    } else if (std::none_of(subject.begin(), subject.end(),
                   [&](char c) { return m_firstBytes.test(static_cast<unsigned char>(c)); })) {
        return false;
    }
    // Far cheaper than the search, and most texts lack the words a rule looks for.
    if (!m_required.empty() && subject.find(m_required) == std::string_view::npos)
        return false;
    return m_holdsOneOf.empty() || holdsOneOf(subject);
}
