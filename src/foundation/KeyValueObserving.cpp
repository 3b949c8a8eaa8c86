#include "KeyValueObserving.h"

#include <algorithm>

namespace qorv {

void Observable::addObserver(const void* observer, std::string key, Callback callback)
{
    m_observations.push_back(
        std::make_shared<Observation>(Observation { observer, std::move(key), std::move(callback) }));
}

void Observable::removeObserver(const void* observer, std::string_view key)
{
    std::erase_if(m_observations, [&](const std::shared_ptr<Observation>& o) {
        const bool matches = o->observer == observer && o->key == key;
        if (matches)
            o->removed = true;
        return matches;
    });
}

void Observable::didChangeValueForKey(std::string_view key) const
{
    const auto snapshot = m_observations;
    for (const auto& o : snapshot)
        if (!o->removed && o->key == key)
            o->callback(key, this);
}

} // namespace qorv
