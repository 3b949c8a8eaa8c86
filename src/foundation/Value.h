#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qorv {

// A property-list value: null, boolean, integer, real, string (UTF-8), date, data, array or dictionary.
// Values are plain copyable data; a null Value stands for "nil".
class Value {
public:
    using Array = std::vector<Value>;
    using Dictionary = std::map<std::string, Value, std::less<>>;

    // Seconds since 2001-01-01 00:00:00 UTC, the reference date of property lists.
    struct Date {
        double secondsSinceReferenceDate = 0;
        bool operator==(const Date&) const = default;
    };
    struct Data {
        std::string bytes;
        bool operator==(const Data&) const = default;
    };

    enum class Type { Null, Boolean, Integer, Real, String, Date, Data, Array, Dictionary };

    Value() = default;
    Value(std::nullptr_t) { }
    // A pointer would otherwise become a boolean without a word.
    template <typename T> Value(T*) = delete;
    Value(bool b)
        : m_storage(b)
    { }
    Value(int i)
        : m_storage(static_cast<int64_t>(i))
    { }
    Value(long i)
        : m_storage(static_cast<int64_t>(i))
    { }
    Value(long long i)
        : m_storage(static_cast<int64_t>(i))
    { }
    Value(unsigned i)
        : m_storage(static_cast<int64_t>(i))
    { }
    Value(unsigned long i)
        : Value(static_cast<unsigned long long>(i))
    { }
    // Integers above the signed 64-bit range are kept exactly, as unsigned.
    Value(unsigned long long i)
    {
        if (i > static_cast<unsigned long long>(INT64_MAX))
            m_storage = static_cast<uint64_t>(i);
        else
            m_storage = static_cast<int64_t>(i);
    }
    Value(double d)
        : m_storage(d)
    { }
    Value(const char* s)
        : m_storage(std::string(s ? s : ""))
    { }
    Value(std::string s)
        : m_storage(std::move(s))
    { }
    Value(std::string_view s)
        : m_storage(std::string(s))
    { }
    Value(Date d)
        : m_storage(d)
    { }
    Value(Data d)
        : m_storage(std::move(d))
    { }
    Value(Array a)
        : m_storage(std::make_shared<Array>(std::move(a)))
    { }
    Value(Dictionary d)
        : m_storage(std::make_shared<Dictionary>(std::move(d)))
    { }

    Value(const Value&) = default;
    Value(Value&&) noexcept = default;
    Value& operator=(const Value&) = default;
    Value& operator=(Value&&) noexcept = default;
    ~Value() = default;

    Type type() const
    {
        const size_t index = m_storage.index();
        return index == unsignedIndex ? Type::Integer : static_cast<Type>(index);
    }
    bool isNull() const { return type() == Type::Null; }
    bool isString() const { return type() == Type::String; }
    bool isArray() const { return type() == Type::Array; }
    bool isDictionary() const { return type() == Type::Dictionary; }
    bool isNumber() const { return type() == Type::Integer || type() == Type::Real; }
    explicit operator bool() const { return !isNull(); }

    // Typed access: null when the value is of another type.
    const std::string* asString() const { return std::get_if<std::string>(&m_storage); }
    const bool* asBoolean() const { return std::get_if<bool>(&m_storage); }
    const Date* asDate() const { return std::get_if<Date>(&m_storage); }
    const Data* asData() const { return std::get_if<Data>(&m_storage); }
    const Array* asArray() const;
    Array* asArray();
    const Dictionary* asDictionary() const;
    Dictionary* asDictionary();
    // The integer; nothing for an integer above the signed 64-bit range (see asUnsigned).
    std::optional<int64_t> asInteger() const;
    // A non-negative integer of any size; nothing for negative numbers and other types.
    std::optional<uint64_t> asUnsigned() const;
    std::optional<double> asReal() const;

    // The string, or an empty string for any other type.
    const std::string& stringOr(const std::string& fallback) const;

    // Dictionary lookup; null when this is not a dictionary or has no such key.
    const Value* find(std::string_view key) const;
    // Array element; null when out of range or not an array.
    const Value* at(size_t index) const;

    // Text as the platform's %@ would show it: strings as they are, numbers in decimal, booleans as 1 or 0,
    // dates as "2001-01-01 00:00:00 +0000", containers in the old-style property-list notation.
    std::string description() const;

    bool operator==(const Value& other) const;

    static Value array(std::initializer_list<Value> items) { return Value(Array(items)); }

private:
    // Containers are held through a shared pointer so that the type can be recursive and copies are cheap;
    // mutable access copies a shared container first (copy on write), so Values behave as plain data.
    std::variant<std::monostate, bool, int64_t, double, std::string, Date, Data, std::shared_ptr<Array>,
        std::shared_ptr<Dictionary>, uint64_t>
        m_storage;
    // Where integers above INT64_MAX live; every other integer is an int64_t.
    static constexpr size_t unsignedIndex = 9;
};

} // namespace qorv
