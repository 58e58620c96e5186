#include "engine/published.h"

#include <gtest/gtest.h>

#include <memory>

using namespace talvora;

// A subscriber sees the new value in the object too, and may tear down what it observes: a
// subscription dropped meanwhile hears nothing, and the sanitizer build checks that nothing
// touches freed memory afterwards.
TEST(Published, SubscriberMayDestroyTheOwnerOrOtherSubscriptionsDuringANotification)
{
    struct Owner {
        Published<bool> flag { false };
    };
    auto owner = std::make_unique<Owner>();
    int laterCalls = 0;
    bool sawAssigned = false;
    Published<bool>::Subscription second;
    auto first = owner->flag.subscribe([&](const bool& value) {
        sawAssigned = value && owner->flag.value();
        second.reset();
        owner.reset();
    });
    second = owner->flag.subscribe([&](const bool&) { ++laterCalls; });
    owner->flag.publish(true);
    EXPECT_TRUE(sawAssigned);
    EXPECT_FALSE(owner);
    EXPECT_EQ(laterCalls, 0);
}
