#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qorv {

// Property observation: a class that announces changes derives from Observable and calls
// didChangeValueForKey() from each setter, on every call, whether or not the value changed. Observers are
// registered with no options and no context and are told synchronously.
class Observable {
public:
    using Callback = std::function<void(std::string_view key, const Observable* object)>;

    virtual ~Observable() = default;

    void addObserver(const void* observer, std::string key, Callback callback);
    void removeObserver(const void* observer, std::string_view key);
    size_t observationCount() const { return m_observations.size(); }

protected:
    void didChangeValueForKey(std::string_view key) const;

private:
    struct Observation {
        const void* observer;
        std::string key;
        Callback callback;
        bool removed = false;
    };
    std::vector<std::shared_ptr<Observation>> m_observations;
};

} // namespace qorv
