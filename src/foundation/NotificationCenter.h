#pragma once

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qorv {

// A named notification. The object is compared by identity only; user-info values may hold any type
// (nodes are stored as std::shared_ptr of their class).
struct Notification {
    std::string name;
    const void* object = nullptr;
    std::map<std::string, std::any, std::less<>> userInfo;

    template <typename T> T userInfoValue(std::string_view key) const
    {
        auto it = userInfo.find(key);
        if (it == userInfo.end())
            return T {};
        if (auto p = std::any_cast<T>(&it->second))
            return *p;
        return T {};
    }
};

// Synchronous notification centre: post() calls every matching observer on the posting thread before it
// returns. Main thread only.
class NotificationCenter {
public:
    using Callback = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    // name: nullopt for every name; object: nullptr for any object.
    void addObserver(const void* observer, Callback callback, std::optional<std::string> name = std::nullopt,
        const void* object = nullptr);
    // Removes every registration of the observer.
    void removeObserver(const void* observer);
    // Removes the registrations of the observer that match name (nullopt: any) and object (nullptr: any).
    void removeObserver(const void* observer, const std::optional<std::string>& name, const void* object);

    void post(const Notification& notification);
    void post(std::string name, const void* object, std::map<std::string, std::any, std::less<>> userInfo = {});

    size_t observerCount() const { return m_registrations.size(); }

private:
    struct Registration {
        const void* observer;
        Callback callback;
        std::optional<std::string> name;
        const void* object;
        bool removed = false;
    };
    std::vector<std::shared_ptr<Registration>> m_registrations;
};

} // namespace qorv
