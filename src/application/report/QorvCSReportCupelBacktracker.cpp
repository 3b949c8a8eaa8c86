#include "QorvCSReportCupelBacktracker.h"

#include <algorithm>
#include <bitset>
#include <cctype>

using CharacterSet = std::bitset<128>;

struct QorvCSReportCupelBacktracker::Node {
    enum class Kind { Set, Start, End, Group, Repeat };
    Kind kind = Kind::Set;
    CharacterSet set; // Set: the characters it matches
    std::vector<Sequence> alternatives; // Group: its choices; Repeat: one sequence of the repeated node
    int capture = -1; // Group: its number, or -1
    size_t min = 1, max = 1; // Repeat
    bool greedy = true; // Repeat
};

namespace {

using Node = QorvCSReportCupelBacktracker::Node;
using Sequence = QorvCSReportCupelBacktracker::Sequence;

constexpr size_t longestSubject = 256; // keeps the recursion shallow
constexpr size_t stepLimit = 20000; // past this ICU, with its time limit, decides
constexpr size_t largestCount = 1000;

CharacterSet range(char from, char to)
{
    CharacterSet set;
    for (int c = from; c <= to; ++c)
        set.set(size_t(c));
    return set;
}

CharacterSet single(char c)
{
    CharacterSet set;
    set.set(size_t(static_cast<unsigned char>(c)));
    return set;
}

bool nullable(const Node& node);

bool nullable(const Sequence& sequence)
{
    return std::all_of(sequence.begin(), sequence.end(), [](const Node& node) { return nullable(node); });
}

bool nullable(const Node& node)
{
    switch (node.kind) {
    case Node::Kind::Set:
        return false;
    case Node::Kind::Start:
    case Node::Kind::End:
        return true;
    case Node::Kind::Group:
        return std::any_of(node.alternatives.begin(), node.alternatives.end(),
            [](const Sequence& sequence) { return nullable(sequence); });
    case Node::Kind::Repeat:
        return node.min == 0 || nullable(node.alternatives.front());
    }
    return true;
}

// Reads the subset of ICU's syntax the backtracker knows; anything else fails the whole pattern.
class Parser {
public:
    explicit Parser(std::string_view pattern)
        : m_pattern(pattern)
    { }

    std::optional<std::vector<Sequence>> read(size_t& groupCount)
    {
        auto top = alternatives(0);
        if (m_failed || m_pos != m_pattern.size())
            return std::nullopt;
        groupCount = m_groups;
        return top;
    }

private:
    bool atEnd() const { return m_pos >= m_pattern.size(); }
    char peek() const { return atEnd() ? '\0' : m_pattern[m_pos]; }
    Node fail()
    {
        m_failed = true;
        return Node();
    }

    std::vector<Sequence> alternatives(int depth)
    {
        std::vector<Sequence> choices;
        for (;;) {
            Sequence sequence;
            while (!m_failed && !atEnd() && peek() != '|' && peek() != ')')
                sequence.push_back(quantified(depth));
            choices.push_back(std::move(sequence));
            if (m_failed || peek() != '|')
                return choices;
            ++m_pos;
        }
    }

    bool number(size_t& value)
    {
        const size_t from = m_pos;
        value = 0;
        while (!atEnd() && peek() >= '0' && peek() <= '9' && value <= largestCount)
            value = value * 10 + size_t(m_pattern[m_pos++] - '0');
        return m_pos != from && value <= largestCount;
    }

    Node quantified(int depth)
    {
        Node node = atom(depth);
        if (m_failed)
            return node;
        Node repeat;
        repeat.kind = Node::Kind::Repeat;
        const char q = peek();
        if (q == '?' || q == '*' || q == '+') {
            ++m_pos;
            repeat.min = q == '+' ? 1 : 0;
            repeat.max = q == '?' ? 1 : std::string::npos;
        } else if (q == '{') {
            ++m_pos;
            if (!number(repeat.min))
                return fail();
            repeat.max = repeat.min;
            if (peek() == ',') {
                ++m_pos;
                repeat.max = std::string::npos;
                if (peek() != '}' && !number(repeat.max))
                    return fail();
            }
            if (peek() != '}' || repeat.max < repeat.min)
                return fail();
            ++m_pos;
        } else {
            return node;
        }
        if (peek() == '?') {
            ++m_pos;
            repeat.greedy = false;
        } else if (peek() == '+') {
            return fail(); // possessive
        }
        // A piece that can match nothing repeats by rules of ICU's own; so do anchors.
        if (nullable(node))
            return fail();
        repeat.alternatives.push_back(Sequence { std::move(node) });
        return repeat;
    }

    Node setNode(CharacterSet set)
    {
        Node node;
        node.set = set;
        return node;
    }

    Node atom(int depth)
    {
        const char c = peek();
        if (static_cast<unsigned char>(c) >= 0x80)
            return fail();
        switch (c) {
        case '(': {
            if (depth > 32)
                return fail();
            Node group;
            group.kind = Node::Kind::Group;
            if (m_pattern.substr(m_pos).starts_with("(?:")) {
                m_pos += 3;
            } else if (m_pattern.substr(m_pos).starts_with("(?")) {
                return fail();
            } else {
                ++m_pos;
                group.capture = int(++m_groups);
            }
            group.alternatives = alternatives(depth + 1);
            if (m_failed || peek() != ')')
                return fail();
            ++m_pos;
            return group;
        }
        case '[':
            return characterSet();
        case '.': {
            ++m_pos;
            CharacterSet set = ~CharacterSet();
            for (char terminator = '\n'; terminator <= '\r'; ++terminator)
                set.reset(size_t(terminator));
            return setNode(set);
        }
        case '^':
        case '$': {
            ++m_pos;
            Node anchor;
            anchor.kind = c == '^' ? Node::Kind::Start : Node::Kind::End;
            return anchor;
        }
        case '\\': {
            CharacterSet set;
            if (!escape(set))
                return fail();
            return setNode(set);
        }
        case '*':
        case '+':
        case '?':
        case '{':
        case '}':
        case ']':
            return fail();
        default:
            ++m_pos;
            return setNode(single(c));
        }
    }

    // After a backslash: a digit class, a control character or an escaped punctuation mark.
    bool escape(CharacterSet& set)
    {
        if (m_pos + 1 >= m_pattern.size())
            return false;
        const char e = m_pattern[m_pos + 1];
        m_pos += 2;
        if (static_cast<unsigned char>(e) >= 0x80)
            return false;
        if (e == 'd') {
            set = range('0', '9');
            return true;
        }
        const char control = e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e == 'f' ? '\f' : '\0';
        if (control != '\0') {
            set = single(control);
            return true;
        }
        if (std::isalnum(static_cast<unsigned char>(e)) || e < ' ')
            return false;
        set = single(e);
        return true;
    }

    // A set of plain characters, ranges between two of them and escapes; no nested sets or properties.
    Node characterSet()
    {
        ++m_pos;
        const bool negated = peek() == '^';
        if (negated)
            ++m_pos;
        CharacterSet set;
        bool empty = true;
        for (;;) {
            const char c = peek();
            if (atEnd() || static_cast<unsigned char>(c) >= 0x80 || c < ' ')
                return fail();
            if (c == ']' && !empty)
                break;
            if (c == ' ' || std::string_view("[]-&$^{}:").find(c) != std::string_view::npos)
                return fail();
            CharacterSet item;
            char from = c;
            if (c == '\\') {
                if (!escape(item))
                    return fail();
            } else {
                ++m_pos;
                item = single(c);
            }
            if (peek() == '-') {
                // A range between two plain characters.
                if (c == '\\' || m_pos + 1 >= m_pattern.size())
                    return fail();
                const char to = m_pattern[m_pos + 1];
                if (static_cast<unsigned char>(to) >= 0x80 || to <= ' '
                    || std::string_view("[]-&$^{}:\\").find(to) != std::string_view::npos || to < from)
                    return fail();
                m_pos += 2;
                item = range(from, to);
            }
            set |= item;
            empty = false;
        }
        ++m_pos;
        return setNode(negated ? ~set : set);
    }

    std::string_view m_pattern;
    size_t m_pos = 0;
    size_t m_groups = 0;
    bool m_failed = false;
};

// A continuation: what must match after a piece, from where it ended.
struct Continuation {
    const void* self;
    bool (*call)(const void*, size_t);
    bool operator()(size_t position) const { return call(self, position); }
};

template <class F> Continuation continuation(const F& f)
{
    return { &f, [](const void* self, size_t position) { return (*static_cast<const F*>(self))(position); } };
}

class Run {
public:
    Run(std::string_view subject, size_t groupCount)
        : m_subject(subject)
        , m_captures(2 * (groupCount + 1), std::string::npos)
    { }

    std::vector<size_t>& captures() { return m_captures; }
    bool exhausted() const { return m_exhausted; }

    bool sequence(const Sequence& nodes, size_t index, size_t position, Continuation next)
    {
        if (++m_steps > stepLimit) {
            m_exhausted = true;
            return false;
        }
        // Single characters in a row need no backtracking of their own.
        while (index < nodes.size() && nodes[index].kind == Node::Kind::Set) {
            if (position >= m_subject.size() || !nodes[index].set.test(static_cast<unsigned char>(m_subject[position])))
                return false;
            ++index;
            ++position;
        }
        if (index == nodes.size())
            return next(position);
        const Node& node = nodes[index];
        switch (node.kind) {
        case Node::Kind::Set:
            return position < m_subject.size() && node.set.test(static_cast<unsigned char>(m_subject[position]))
                && sequence(nodes, index + 1, position + 1, next);
        case Node::Kind::Start:
            return position == 0 && sequence(nodes, index + 1, position, next);
        case Node::Kind::End:
            return atEnd(position) && sequence(nodes, index + 1, position, next);
        case Node::Kind::Group: {
            auto after = [&](size_t end) {
                if (node.capture < 0)
                    return sequence(nodes, index + 1, end, next);
                const size_t slot = 2 * size_t(node.capture);
                const size_t savedStart = m_captures[slot], savedEnd = m_captures[slot + 1];
                m_captures[slot] = position;
                m_captures[slot + 1] = end;
                if (sequence(nodes, index + 1, end, next))
                    return true;
                m_captures[slot] = savedStart;
                m_captures[slot + 1] = savedEnd;
                return false;
            };
            for (const auto& choice : node.alternatives)
                if (sequence(choice, 0, position, continuation(after)) || m_exhausted)
                    return !m_exhausted;
            return false;
        }
        case Node::Kind::Repeat: {
            auto after = [&](size_t end) { return sequence(nodes, index + 1, end, next); };
            return repeat(node, 0, position, continuation(after));
        }
        }
        return false;
    }

private:
    bool repeat(const Node& node, size_t count, size_t position, Continuation next)
    {
        const Sequence& piece = node.alternatives.front();
        if (count == 0 && piece.size() == 1 && piece.front().kind == Node::Kind::Set)
            return repeatSet(node, piece.front().set, position, next);
        auto more = [&](size_t end) { return repeat(node, count + 1, end, next); };
        if (node.greedy) {
            if (count < node.max && sequence(piece, 0, position, continuation(more)))
                return true;
            return !m_exhausted && count >= node.min && next(position);
        }
        if (count >= node.min && next(position))
            return true;
        return !m_exhausted && count < node.max && sequence(piece, 0, position, continuation(more));
    }

    // A repeated set, such as "\\d+" or ".*?", in a loop: the same tries in the same order, without a call per
    // character.
    bool repeatSet(const Node& node, const CharacterSet& set, size_t position, Continuation next)
    {
        const size_t most = std::min(node.max, m_subject.size() - position);
        auto takes = [&](size_t count) { return set.test(static_cast<unsigned char>(m_subject[position + count])); };
        if (node.greedy) {
            size_t count = 0;
            while (count < most && takes(count))
                ++count;
            for (; count >= node.min; --count) {
                if (next(position + count))
                    return true;
                if (m_exhausted || count == 0)
                    return false;
            }
            return false;
        }
        for (size_t count = 0;; ++count) {
            if (count >= node.min && next(position + count))
                return true;
            if (m_exhausted || count == most || !takes(count))
                return false;
        }
    }

    // "$": the end, or before one line terminator (a CR LF pair counts as one) that ends the subject.
    bool atEnd(size_t position) const
    {
        const size_t size = m_subject.size();
        if (position == size)
            return true;
        auto terminator = [](char c) { return c >= '\n' && c <= '\r'; };
        if (position + 1 == size)
            return terminator(m_subject[position])
                && !(m_subject[position] == '\n' && position > 0 && m_subject[position - 1] == '\r');
        return position + 2 == size && m_subject[position] == '\r' && m_subject[position + 1] == '\n';
    }

    std::string_view m_subject;
    std::vector<size_t> m_captures; // start and end of each group, npos while it took no part
    size_t m_steps = 0;
    bool m_exhausted = false;
};

} // namespace

QorvCSReportCupelBacktracker::~QorvCSReportCupelBacktracker() = default;

std::unique_ptr<QorvCSReportCupelBacktracker> QorvCSReportCupelBacktracker::make(std::string_view pattern)
{
    size_t groupCount = 0;
    auto top = Parser(pattern).read(groupCount);
    if (!top)
        return nullptr;
    std::unique_ptr<QorvCSReportCupelBacktracker> backtracker(new QorvCSReportCupelBacktracker);
    Node whole;
    whole.kind = Node::Kind::Group;
    whole.capture = 0;
    whole.alternatives = std::move(*top);
    backtracker->m_anchored = std::all_of(whole.alternatives.begin(), whole.alternatives.end(),
        [](const Sequence& sequence) { return !sequence.empty() && sequence.front().kind == Node::Kind::Start; });
    backtracker->m_whole.push_back(std::move(whole));
    backtracker->m_groupCount = groupCount;
    return backtracker;
}

QorvCSReportCupelBacktracker::Outcome QorvCSReportCupelBacktracker::firstMatch(
    std::string_view subject, Groups& groups) const
{
    if (subject.size() > longestSubject
        || std::any_of(subject.begin(), subject.end(), [](char c) { return (c & 0x80) != 0; }))
        return Outcome::Unknown;
    Run run(subject, m_groupCount);
    auto found = [](size_t) { return true; };
    const size_t lastStart = m_anchored ? 0 : subject.size();
    for (size_t start = 0; start <= lastStart; ++start) {
        std::fill(run.captures().begin(), run.captures().end(), std::string::npos);
        if (run.sequence(m_whole, 0, start, continuation(found))) {
            groups.clear();
            const auto& captures = run.captures();
            for (size_t group = 0; group <= m_groupCount; ++group) {
                const size_t from = captures[2 * group], to = captures[2 * group + 1];
                groups.emplace_back(from == std::string::npos ? std::string_view() : subject.substr(from, to - from));
            }
            return Outcome::Matched;
        }
        if (run.exhausted())
            return Outcome::Unknown;
    }
    return Outcome::NoMatch;
}
