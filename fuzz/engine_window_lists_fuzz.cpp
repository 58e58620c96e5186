// The engine fed window lists of any content at 120 Hz: any key of any type, NaN, infinities
// and huge numbers, failed and malformed queries, Dock backdrops that come and go. Every tick
// must end in one of its defined ways, with debug logging on so that its records run too.

#include "engine/overlay_view_model.h"
#include "fuzz_input.h"
#include "host/simulation.h"
#include "support/desktop_builder.h"
#include "support/temp_home.h"
#include "vmac/system_logs.h"

#include <cmath>
#include <limits>
#include <memory>

using namespace talvora;
using talvora::fuzz::FuzzInput;

namespace {

// A window server that answers each query with the list the fuzzer wrote for this tick.
class FuzzedWindowServer final : public WindowServer {
public:
    explicit FuzzedWindowServer(WindowServer& real)
        : m_real(real)
    {
    }
    WindowListReply next;

    WindowListReply copyWindowList(WindowListOption, WindowNumber) override { return next; }
    Rect displayBounds(DisplayID display) override { return m_real.displayBounds(display); }
    DisplayID mainDisplayID() override { return m_real.mainDisplayID(); }

private:
    WindowServer& m_real;
};

double interestingDouble(FuzzInput& in)
{
    switch (in.byte() % 10) {
    case 0:
        return std::numeric_limits<double>::quiet_NaN();
    case 1:
        return std::numeric_limits<double>::infinity();
    case 2:
        return -std::numeric_limits<double>::infinity();
    case 3:
        return 1e308;
    case 4:
        return -1e308;
    case 5:
        return in.raw<double>();
    default:
        // Mostly plausible desktop coordinates, so that the detector's rules get exercised.
        return static_cast<double>(in.raw<std::int16_t>()) / (1 + in.byte() % 4);
    }
}

Value anyValue(FuzzInput& in)
{
    switch (in.byte() % 6) {
    case 0:
        return Value();
    case 1:
        return Value::boolean(in.byte() & 1);
    case 2:
        return Value::integer(in.byte() & 1 ? in.raw<std::int64_t>() : in.byte());
    case 3:
        return Value::real(interestingDouble(in));
    case 4:
        return Value::string(in.text(12));
    default:
        return Value::integer(static_cast<std::int64_t>(in.raw<std::uint16_t>()));
    }
}

// Names the engine looks for, so that the fuzzer reaches the Dock and app paths.
Value ownerName(FuzzInput& in)
{
    static const char* const kNames[] = { "Dock", "Window Server", "Safari", "Notes", "Talvora", "Control Center" };
    if (in.byte() % 4 != 0)
        return Value::string(kNames[in.byte() % std::size(kNames)]);
    return anyValue(in);
}

WindowEntry anyEntry(FuzzInput& in)
{
    WindowEntry e;
    e.number = in.byte() % 4 ? Value::integer(1 + in.byte() % 64) : anyValue(in);
    e.ownerName = ownerName(in);
    e.ownerPID = in.byte() % 4 ? Value::integer(500 + in.byte() % 8) : anyValue(in);
    switch (in.byte() % 4) {
    case 0:
        e.bounds.kind = BoundsValue::Kind::Absent;
        break;
    case 1:
        e.bounds.kind = BoundsValue::Kind::NotADictionary;
        break;
    default:
        e.bounds.kind = BoundsValue::Kind::Dictionary;
        e.bounds.x = in.byte() % 3 ? Value::real(interestingDouble(in)) : anyValue(in);
        e.bounds.y = in.byte() % 3 ? Value::real(interestingDouble(in)) : anyValue(in);
        e.bounds.width = in.byte() % 3 ? Value::real(interestingDouble(in)) : anyValue(in);
        e.bounds.height = in.byte() % 3 ? Value::real(interestingDouble(in)) : anyValue(in);
    }
    e.layer = in.byte() % 3 ? Value::integer(in.byte() % 30) : anyValue(in);
    e.alpha = in.byte() % 3 ? Value::real(1) : anyValue(in);
    e.isOnscreen = in.byte() % 3 ? Value::boolean(true) : anyValue(in);
    e.name = anyValue(in);
    e.sharingState = anyValue(in);
    e.storeType = anyValue(in);
    e.memoryUsage = anyValue(in);
    return e;
}

struct World {
    test_support::TempHome home;
    vmac::RecordingSystemLog log;
    std::unique_ptr<host::Simulation> sim;
    std::unique_ptr<FuzzedWindowServer> server;
    std::unique_ptr<Platform> platform;

    World()
    {
        test_support::DesktopBuilder desktop;
        desktop.display(1, { 0, 0, 1440, 900 }).display(2, { 1440, 0, 1920, 1080 }).app(501, "Safari").app(502, "Notes");
        sim = std::make_unique<host::Simulation>(desktop.debugLogging().build(), home.home, log);
        Platform& p = sim->platform();
        server = std::make_unique<FuzzedWindowServer>(p.windowServer);
        platform = std::make_unique<Platform>(Platform { *server, p.screens, p.workspace, p.processInfo, p.clock, p.mainQueue,
            p.preferences, p.notifications, p.workspaceNotifications, p.files, p.systemLog, p.eventMonitors, p.accessibility,
            p.pointer, p.appWindows, p.eventTaps, p.distributedNotifications });
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static World world;
    world.log.clear();
    FuzzInput in(data, size);
    auto engine = std::make_unique<OverlayViewModel>(*world.platform);
    for (int tick = 0; tick < 240 && !in.empty(); ++tick) {
        const std::uint8_t kind = in.byte();
        if (kind % 16 == 0) {
            world.server->next = { WindowListReply::Status::Null, nullptr };
        } else if (kind % 16 == 1) {
            world.server->next = { WindowListReply::Status::Malformed, nullptr };
        } else if (kind % 16 == 2 && world.server->next.ok()) {
            // The same list again, as the window server sends while nothing moves.
        } else {
            auto list = std::make_shared<WindowList>();
            for (int n = in.byte() % 24; n > 0 && !in.empty(); --n)
                list->push_back(anyEntry(in));
            world.server->next = { WindowListReply::Status::Ok, std::move(list) };
        }
        world.sim->runFor(1.0 / 120);
        engine->tick();
    }
    engine->debugLog().logManager().waitUntilIdle();
    engine.reset();
    return 0;
}
