#include "engine/published.h"

#include <gtest/gtest.h>

#include <memory>

using namespace talvora;

TEST(Published, NotifiesAfterAssigningAndCountsEveryPublication)
{
    Published<int> value(1);
    int seen = 0;
    auto subscription = value.subscribe([&](const int& v) { seen = v * 10 + value.value(); });
    value.publish(4);
    EXPECT_EQ(seen, 44) << "the subscriber sees the new value in the object too";
    value.publish(4);
    EXPECT_EQ(value.publicationCount(), 2u);
    subscription.reset();
    value.publish(5);
    EXPECT_EQ(seen, 44) << "a dropped subscription hears nothing";
}

// A subscriber may tear down what it observes; the sanitizer build checks that nothing touches
// freed memory afterwards.
TEST(Published, SubscriberMayDestroyTheOwnerOrOtherSubscriptionsDuringANotification)
{
    struct Owner {
        Published<bool> flag { false };
    };
    auto owner = std::make_unique<Owner>();
    int laterCalls = 0;
    Published<bool>::Subscription second;
    auto first = owner->flag.subscribe([&](const bool&) {
        second.reset();
        owner.reset();
    });
    second = owner->flag.subscribe([&](const bool&) { ++laterCalls; });
    owner->flag.publish(true);
    EXPECT_FALSE(owner);
    EXPECT_EQ(laterCalls, 0);
}
