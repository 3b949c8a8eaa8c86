#include "NotificationCenter.h"

#include <algorithm>

namespace qorv {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(
    const void* observer, Callback callback, std::optional<std::string> name, const void* object)
{
    m_registrations.push_back(
        std::make_shared<Registration>(Registration { observer, std::move(callback), std::move(name), object }));
}

void NotificationCenter::removeObserver(const void* observer)
{
    removeObserver(observer, std::nullopt, nullptr);
}

void NotificationCenter::removeObserver(
    const void* observer, const std::optional<std::string>& name, const void* object)
{
    std::erase_if(m_registrations, [&](const std::shared_ptr<Registration>& r) {
        const bool matches = r->observer == observer && (!name || r->name == name) && (!object || r->object == object);
        if (matches)
            r->removed = true;
        return matches;
    });
}

void NotificationCenter::post(const Notification& notification)
{
    // Deliver to a snapshot: observers added during delivery wait for the next post, and an observer removed
    // during delivery is skipped through its flag.
    const auto snapshot = m_registrations;
    for (const auto& r : snapshot) {
        if (r->removed)
            continue;
        if (r->name && *r->name != notification.name)
            continue;
        if (r->object && r->object != notification.object)
            continue;
        r->callback(notification);
    }
}

void NotificationCenter::post(
    std::string name, const void* object, std::map<std::string, std::any, std::less<>> userInfo)
{
    post(Notification { std::move(name), object, std::move(userInfo) });
}

} // namespace qorv
