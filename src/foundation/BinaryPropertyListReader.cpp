#include "BinaryPropertyListReader.h"

#include "CleanText.h"
#include "XMLPropertyListReader.h"

#include <plist/plist.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace qorv {

namespace {

struct PlistFree {
    void operator()(plist_t p) const
    {
        if (p)
            plist_free(p);
    }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

// The object table of a binary property list ("bplist00", objects, offset table, 32-byte trailer), read only as
// far as needed to find containers, their references and their keys.
class ObjectTable {
public:
    explicit ObjectTable(std::string_view bytes)
        : m_bytes(bytes)
    { }

    // An empty string when libplist may be given the bytes, else the reason.
    std::string check()
    {
        constexpr size_t headerSize = 8, trailerSize = 32;
        if (m_bytes.size() < headerSize + trailerSize)
            return "malformed property list";
        const size_t trailer = m_bytes.size() - trailerSize;
        m_offsetSize = byte(trailer + 6);
        m_refSize = byte(trailer + 7);
        const uint64_t count = bigEndian(trailer + 8, 8);
        const uint64_t root = bigEndian(trailer + 16, 8);
        m_offsetTable = bigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || count == 0 || root >= count
            || m_offsetTable < headerSize || m_offsetTable > trailer
            || count > (trailer - m_offsetTable) / m_offsetSize)
            return "malformed property list";
        m_count = count;
        return walk(root);
    }

    // The last byte of each NUL character in a string object (one byte, or the low byte of a UTF-16 unit).
    std::vector<uint64_t> nulCharacters;

private:
    struct Container {
        uint64_t refs; // position of the first reference
        uint64_t children; // number of references (keys and values for a dictionary)
    };

    unsigned byte(uint64_t at) const { return static_cast<unsigned char>(m_bytes[at]); }

    uint64_t bigEndian(uint64_t at, unsigned size) const
    {
        uint64_t v = 0;
        for (unsigned k = 0; k < size; ++k)
            v = (v << 8) | byte(at + k);
        return v;
    }

    std::optional<uint64_t> offsetOf(uint64_t object) const
    {
        const uint64_t offset = bigEndian(m_offsetTable + object * m_offsetSize, m_offsetSize);
        if (offset < 8 || offset >= m_offsetTable)
            return std::nullopt;
        return offset;
    }

    // The element count of the object at offset and where its payload starts.
    std::optional<std::pair<uint64_t, uint64_t>> countAt(uint64_t offset) const
    {
        const unsigned info = byte(offset) & 0x0F;
        if (info != 0x0F)
            return std::pair { info, offset + 1 };
        if (offset + 2 > m_offsetTable || (byte(offset + 1) & 0xF0) != 0x10)
            return std::nullopt;
        const unsigned size = 1u << (byte(offset + 1) & 0x0F);
        if (size > 8 || offset + 2 + size > m_offsetTable)
            return std::nullopt;
        return std::pair { bigEndian(offset + 2, size), offset + 2 + size };
    }

    std::optional<Container> containerAt(uint64_t offset) const
    {
        const unsigned type = byte(offset) >> 4;
        if (type != 0xA && type != 0xC && type != 0xD)
            return Container { 0, 0 };
        const auto count = countAt(offset);
        if (!count)
            return std::nullopt;
        const uint64_t children = type == 0xD ? count->first * 2 : count->first;
        if (count->first > m_offsetTable || children > (m_offsetTable - count->second) / m_refSize)
            return std::nullopt;
        return Container { count->second, children };
    }

    // Notes where a string object holds a NUL: libplist aborts on one in a key and cuts a value short at one.
    void noteNULs(uint64_t offset)
    {
        const unsigned type = byte(offset) >> 4;
        if (type != 0x5 && type != 0x6)
            return;
        const auto count = countAt(offset);
        const uint64_t unit = type == 0x6 ? 2 : 1;
        if (!count || count->first > (m_offsetTable - count->second) / unit)
            return;
        for (uint64_t i = 0; i < count->first; ++i)
            if (bigEndian(count->second + i * unit, static_cast<unsigned>(unit)) == 0)
                nulCharacters.push_back(count->second + i * unit + unit - 1);
    }

    // Depth-first from the root without recursion: refuses cycles, nesting deeper than the XML reader accepts
    // and shared containers that would expand to more values than the file has bytes.
    std::string walk(uint64_t root)
    {
        enum : uint8_t { Unseen, Open, Done };
        std::vector<uint8_t> state(m_count, Unseen);
        std::vector<uint64_t> expanded(m_count, 1);
        struct Step {
            uint64_t object;
            Container container;
            uint64_t next;
        };
        std::vector<Step> stack;
        const uint64_t budget = m_bytes.size() + 1;
        auto enter = [&](uint64_t object) -> std::string {
            const auto offset = offsetOf(object);
            if (!offset)
                return "malformed property list";
            const auto container = containerAt(*offset);
            if (!container)
                return "malformed property list";
            if (container->children == 0) {
                noteNULs(*offset);
                state[object] = Done;
                return {};
            }
            if (stack.size() >= XMLPropertyListReader::maximumDepth)
                return "property list nested more than 512 levels deep";
            state[object] = Open;
            stack.push_back({ object, *container, 0 });
            return {};
        };
        if (std::string error = enter(root); !error.empty())
            return error;
        while (!stack.empty()) {
            Step& step = stack.back();
            if (step.next == step.container.children) {
                state[step.object] = Done;
                const uint64_t size = expanded[step.object];
                stack.pop_back();
                if (!stack.empty()) {
                    uint64_t& parent = expanded[stack.back().object];
                    parent = std::min(budget + 1, parent + size);
                    if (parent > budget)
                        return "property list too large once expanded";
                }
                continue;
            }
            const uint64_t child = bigEndian(step.container.refs + step.next * m_refSize, m_refSize);
            ++step.next;
            if (child >= m_count)
                return "malformed property list";
            if (state[child] == Open)
                return "malformed property list";
            if (state[child] == Done) {
                uint64_t& parent = expanded[step.object];
                parent = std::min(budget + 1, parent + expanded[child]);
                if (parent > budget)
                    return "property list too large once expanded";
                continue;
            }
            const uint64_t parent = step.object; // enter() may move the stack
            if (std::string error = enter(child); !error.empty())
                return error;
            if (state[child] == Done)
                expanded[parent] += 1;
        }
        return {};
    }

    std::string_view m_bytes;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    uint64_t m_offsetTable = 0;
    uint64_t m_count = 0;
};

std::string stringOf(plist_t node)
{
    uint64_t length = 0;
    const char* s = plist_get_string_ptr(node, &length);
    return cleanText(std::string_view(s ? s : "", s ? length : 0));
}

// libplist's tree as values; the depth is bounded by the object table's check.
Value fromPlist(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Value(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        // The binary form stores negative numbers as their two's complement.
        return Value(static_cast<int64_t>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Value(d);
    }
    case PLIST_STRING:
        return Value(stringOf(node));
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return Value(Value::Data { std::string(bytes ? bytes : "", bytes ? length : 0) });
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return Value(Value::Date { sec + usec / 1e6 });
    }
    case PLIST_ARRAY: {
        Value::Array array;
        const uint32_t n = plist_array_get_size(node);
        array.reserve(n);
        for (uint32_t i = 0; i < n; ++i) {
            Value e = fromPlist(plist_array_get_item(node, i));
            if (!e.isNull())
                array.push_back(std::move(e));
        }
        return Value(std::move(array));
    }
    case PLIST_DICT: {
        Value::Dictionary dict;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t val = nullptr;
            if (it)
                plist_dict_next_item(node, it, &key, &val);
            if (!val) {
                std::free(key);
                break;
            }
            Value e = fromPlist(val);
            if (key && !e.isNull())
                dict.insert_or_assign(cleanText(key), std::move(e));
            std::free(key);
        }
        std::free(it);
        return Value(std::move(dict));
    }
    default:
        return {};
    }
}

} // namespace

PropertyList::Result BinaryPropertyListReader::parse(std::string_view bytes)
{
    ObjectTable table(bytes);
    if (std::string error = table.check(); !error.empty())
        return { {}, error };
    // A NUL becomes a control character that the strings' cleaning then replaces, like every other one.
    std::string patched;
    if (!table.nulCharacters.empty()) {
        patched = bytes;
        for (uint64_t at : table.nulCharacters)
            patched[at] = '\x1A';
        bytes = patched;
    }
    plist_t root = nullptr;
    plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr holder(root);
    if (!root)
        return { {}, "malformed property list" };
    Value v = fromPlist(root);
    if (v.isNull())
        return { {}, "unsupported property-list root" };
    return { std::move(v), {} };
}

} // namespace qorv
