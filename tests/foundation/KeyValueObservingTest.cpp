#include "foundation/KeyValueObserving.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qorv;

namespace {

class Controller : public Observable {
public:
    int sources() const { return m_sources; }
    void setSources(int sources)
    {
        m_sources = sources;
        didChangeValueForKey("sources");
    }
    void setPowerAdapter(int adapter)
    {
        m_adapter = adapter;
        didChangeValueForKey("powerAdapter");
    }

private:
    int m_sources = 0;
    int m_adapter = 0;
};

} // namespace

TEST(KeyValueObserving, EverySetterCallIsAnnouncedToObserversOfThatKey)
{
    Controller controller;
    std::vector<std::string> seen;
    controller.addObserver(&seen, "sources", [&](std::string_view key, const Observable* object) {
        EXPECT_EQ(object, &controller);
        seen.push_back(std::string(key) + "=" + std::to_string(static_cast<const Controller*>(object)->sources()));
    });
    controller.setSources(1);
    controller.setSources(1); // unchanged value: still announced
    controller.setPowerAdapter(5);
    EXPECT_EQ(seen, (std::vector<std::string> { "sources=1", "sources=1" }));

    controller.removeObserver(&seen, "sources");
    controller.setSources(2);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(controller.observationCount(), 0u);
}

TEST(KeyValueObserving, ObserverRemovedDuringAnnouncementIsNotCalled)
{
    Controller controller;
    int first = 0, second = 0;
    controller.addObserver(&first, "sources", [&](std::string_view, const Observable*) {
        ++first;
        controller.removeObserver(&second, "sources");
        controller.removeObserver(&first, "sources");
    });
    controller.addObserver(&second, "sources", [&](std::string_view, const Observable*) { ++second; });
    controller.setSources(1);
    controller.setSources(2);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}
