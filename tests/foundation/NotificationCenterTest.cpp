#include "foundation/NotificationCenter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace qorv;

namespace {

struct Recorder {
    std::vector<std::string> seen;
    NotificationCenter::Callback callback(const std::string& tag)
    {
        return [this, tag](const Notification& n) { seen.push_back(tag + ":" + n.name); };
    }
};

} // namespace

TEST(NotificationCenter, FiltersByNameAndObject)
{
    NotificationCenter center;
    Recorder r;
    int sender = 0, other = 0;
    center.addObserver(&r, r.callback("all"));
    center.addObserver(&r, r.callback("named"), "Did");
    center.addObserver(&r, r.callback("fromSender"), std::nullopt, &sender);
    center.addObserver(&r, r.callback("namedFromSender"), "Did", &sender);

    center.post("Did", &sender);
    EXPECT_EQ(r.seen, (std::vector<std::string> { "all:Did", "named:Did", "fromSender:Did", "namedFromSender:Did" }));
    r.seen.clear();
    center.post("Did", &other);
    EXPECT_EQ(r.seen, (std::vector<std::string> { "all:Did", "named:Did" }));
    r.seen.clear();
    center.post("Other", &sender);
    EXPECT_EQ(r.seen, (std::vector<std::string> { "all:Other", "fromSender:Other" }));
    r.seen.clear();
    center.post("Other", nullptr);
    EXPECT_EQ(r.seen, (std::vector<std::string> { "all:Other" }));
}

TEST(NotificationCenter, UserInfoTravelsWithTheNotification)
{
    NotificationCenter center;
    std::shared_ptr<int> received;
    std::string missing = "unset";
    center.addObserver(&center, [&](const Notification& n) {
        received = n.userInfoValue<std::shared_ptr<int>>("NodeKey");
        missing = n.userInfoValue<std::string>("NodeKey"); // wrong type: empty, not an exception
    });
    center.post("Did", nullptr, { { "NodeKey", std::make_shared<int>(7) } });
    ASSERT_TRUE(received);
    EXPECT_EQ(*received, 7);
    EXPECT_EQ(missing, "");
}

TEST(NotificationCenter, RemovalPerObserverNameAndObject)
{
    NotificationCenter center;
    Recorder a, b;
    int x = 0, y = 0;
    center.addObserver(&a, a.callback("a-x"), "N", &x);
    center.addObserver(&a, a.callback("a-y"), "N", &y);
    center.addObserver(&a, a.callback("a-M"), "M");
    center.addObserver(&b, b.callback("b"), "N");

    center.removeObserver(&a, "N", &x);
    center.post("N", &x);
    center.post("N", &y);
    EXPECT_EQ(a.seen, (std::vector<std::string> { "a-y:N" }));
    EXPECT_EQ(b.seen, (std::vector<std::string> { "b:N", "b:N" }));

    center.removeObserver(&a);
    EXPECT_EQ(center.observerCount(), 1u);
    center.post("M", nullptr);
    EXPECT_EQ(a.seen.size(), 1u);
}

TEST(NotificationCenter, ObserverRemovedDuringDeliveryIsNotCalled)
{
    NotificationCenter center;
    std::vector<std::string> calls;
    auto second = std::make_unique<int>(2);
    int* secondKey = second.get();
    center.addObserver(
        &calls,
        [&](const Notification&) {
            calls.push_back("first");
            // The second observer goes away while this notification is being delivered.
            center.removeObserver(secondKey);
            second.reset();
            center.addObserver(
                &calls, [&](const Notification&) { calls.push_back("added"); }, "N");
        },
        "N");
    center.addObserver(
        secondKey, [&](const Notification&) { calls.push_back("second:" + std::to_string(*second)); }, "N");
    center.post("N", nullptr);
    EXPECT_EQ(calls, (std::vector<std::string> { "first" })) << "an observer added during delivery waits";
}

TEST(NotificationCenter, ObserverMayRemoveItselfAndPostAgain)
{
    NotificationCenter center;
    int depth = 0, calls = 0;
    center.addObserver(&depth, [&](const Notification&) {
        ++calls;
        if (++depth < 3)
            center.post("N", nullptr);
        center.removeObserver(&depth);
    });
    center.post("N", nullptr);
    center.post("N", nullptr);
    EXPECT_EQ(calls, 3) << "nested posts reach the observer until it removes itself";
    EXPECT_EQ(center.observerCount(), 0u);
}
