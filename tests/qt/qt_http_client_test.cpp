// The Qt loader against a server on the loopback address that the test starts. What it sends
// and how it reports answers, error statuses and time-outs are the update check's and the
// usage events' tests over HTTP.
#include "qt/qt_http_client.h"
#include "qt/gui_test.h"
#include "support/loopback_http_server.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

using namespace talvora;

namespace {

// A main queue that keeps the work handed to it until the test runs it.
struct HeldQueue final : RunLoop {
    std::vector<std::function<void()>> held;

    void async(std::function<void()> work) override { held.push_back(std::move(work)); }
    void after(double, std::function<void()> work) override { async(std::move(work)); }
    RepeatingTimerPtr scheduleRepeating(double, double, std::function<void()>) override
    {
        return nullptr;
    }
    DisplayLinkPtr createDisplayLink(DisplayID, std::function<void()>) override { return nullptr; }
    void runHeld()
    {
        for (auto& work : std::exchange(held, {}))
            work();
    }
};

class QtHttpClientTest : public test_support::GuiTest {
protected:
    test_support::LoopbackHttpServer server;
};

// An answer that came while the client lived but whose completion is still queued when the
// client goes is dropped, as is a request still in flight: a completion never calls back an
// owner that no longer exists.
TEST_F(QtHttpClientTest, NoCompletionAfterTheClientIsGone)
{
    HeldQueue mainQueue;
    int completions = 0;
    auto client = std::make_unique<qt::QtHttpClient>(mainQueue);
    const auto get = [&] {
        client->send({ "GET", server.url("/x"), {}, {}, 5 }, [&](HttpResult) { ++completions; });
    };
    get();
    ASSERT_TRUE(runUntil([&] { return mainQueue.held.size() == 1; }));
    mainQueue.runHeld();
    EXPECT_EQ(completions, 1);

    get();
    ASSERT_TRUE(runUntil([&] { return mainQueue.held.size() == 1; }));
    server.hang();
    get();
    ASSERT_TRUE(runUntil([&] { return server.requests().size() == 3; }));
    client.reset();
    runFor(100);
    mainQueue.runHeld();
    EXPECT_EQ(completions, 1);
}

} // namespace
