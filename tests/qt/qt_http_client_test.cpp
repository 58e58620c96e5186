// The Qt loader against a server on the loopback address that the test starts.
#include "qt/qt_http_client.h"
#include "qt/qt_run_loop.h"
#include "qt/gui_test.h"
#include "support/loopback_http_server.h"

#include <gtest/gtest.h>

using namespace talvora;

namespace {

class QtHttpClientTest : public test_support::GuiTest {
protected:
    test_support::LoopbackHttpServer server;
    qt::QtRunLoop runLoop;
};

TEST_F(QtHttpClientTest, ErrorStatusesAreResponsesWithTheirBodies)
{
    qt::QtHttpClient client(runLoop);
    server.respondStatus(503, "busy");
    std::optional<HttpResult> result;
    bool returned = false;
    client.send({ "PUT", server.url("/x?y=1"), { { "X-Probe", "1" } }, "payload", 5 }, [&](HttpResult r) {
        EXPECT_TRUE(returned) << "never inside send";
        EXPECT_TRUE(onMainThread());
        result = std::move(r);
    });
    returned = true;
    ASSERT_TRUE(runUntil([&] { return result.has_value(); }));
    EXPECT_EQ(result->outcome, HttpResult::Outcome::Response);
    EXPECT_EQ(result->status, 503);
    EXPECT_EQ(result->body, "busy");
    EXPECT_FALSE(result->isSuccess());
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].method, "PUT");
    EXPECT_EQ(server.requests()[0].target, "/x?y=1");
    EXPECT_EQ(server.requests()[0].header("X-Probe"), "1");
    EXPECT_EQ(server.requests()[0].body, "payload");
}

TEST_F(QtHttpClientTest, NoCompletionAfterTheClientIsGone)
{
    server.hang();
    bool called = false;
    {
        qt::QtHttpClient client(runLoop);
        client.send({ "GET", server.url("/slow"), {}, {}, 5 }, [&](HttpResult) { called = true; });
        ASSERT_TRUE(runUntil([&] { return !server.requests().empty(); }));
    }
    runFor(100);
    EXPECT_FALSE(called);
}

} // namespace
