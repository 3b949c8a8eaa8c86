#include "ValueRewrite.h"

namespace qorv {

Value rewriteLeaves(const Value& value, const std::function<Value(const Value&)>& rewrite)
{
    if (const auto* array = value.asArray()) {
        Value::Array rewritten;
        rewritten.reserve(array->size());
        for (const auto& entry : *array)
            rewritten.push_back(rewriteLeaves(entry, rewrite));
        return Value(std::move(rewritten));
    }
    if (const auto* dictionary = value.asDictionary()) {
        Value::Dictionary rewritten;
        for (const auto& [key, entry] : *dictionary) {
            const Value newKey = rewrite(Value(key));
            const std::string name = newKey.asString() ? *newKey.asString() : key;
            std::string unique = name;
            for (int copy = 2; rewritten.count(unique); ++copy)
                unique = name + " (" + std::to_string(copy) + ")";
            rewritten.emplace(std::move(unique), rewriteLeaves(entry, rewrite));
        }
        return Value(std::move(rewritten));
    }
    return rewrite(value);
}

} // namespace qorv
