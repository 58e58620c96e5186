#include "engine/active_window.h"
#include "engine/window_entry.h"

#include <gtest/gtest.h>

using namespace talvora;

namespace {

class FakeApplication final : public RunningApplication {
public:
    ActivationPolicy policy = ActivationPolicy::Regular;
    bool hidden = false;

    ProcessID processIdentifier() const override { return 501; }
    std::optional<std::string> bundleIdentifier() const override { return "com.example.app"; }
    std::optional<std::string> localizedName() const override { return "App"; }
    ActivationPolicy activationPolicy() const override { return policy; }
    bool isHidden() const override { return hidden; }
    bool isTerminated() const override { return false; }
    ImageRef icon() const override { return nullptr; }
    std::optional<std::string> bundlePath() const override { return std::nullopt; }
};

constexpr ProcessID kOwnProcess = 900;

WindowEntry appWindow(WindowNumber number, ProcessID pid, Rect bounds, std::optional<std::string> name = "Document")
{
    WindowEntry e;
    e.number = Value::integer(number);
    e.ownerPID = Value::integer(pid);
    e.ownerName = Value::string("App");
    e.bounds = BoundsValue::dictionary(bounds);
    e.layer = Value::integer(0);
    e.alpha = Value::real(1);
    e.isOnscreen = Value::boolean(true);
    if (name)
        e.name = Value::string(*name);
    return e;
}

bool passes(const WindowEntry& e, const FakeApplication* app, std::string_view owner = "App", ProcessID pid = 501)
{
    return isUserAppWindow(e, owner, pid, app, *entryBounds(e), kOwnProcess);
}

} // namespace

TEST(IsUserAppWindow, RejectsEverythingThatIsNotAnOrdinaryApplicationWindow)
{
    FakeApplication app;
    WindowEntry ordinary = appWindow(1, 501, { 0, 0, 800, 600 });
    ASSERT_TRUE(passes(ordinary, &app));

    EXPECT_FALSE(passes(ordinary, &app, "Dock"));
    EXPECT_FALSE(passes(ordinary, &app, "Window Server"));
    EXPECT_FALSE(passes(ordinary, &app, "App", kOwnProcess)) << "the overlay's own windows";
    EXPECT_FALSE(passes(ordinary, nullptr)) << "a process that is gone";

    FakeApplication hidden;
    hidden.hidden = true;
    EXPECT_FALSE(passes(ordinary, &hidden));
    FakeApplication accessory;
    accessory.policy = ActivationPolicy::Accessory;
    EXPECT_FALSE(passes(ordinary, &accessory));
    FakeApplication background;
    background.policy = ActivationPolicy::Prohibited;
    EXPECT_FALSE(passes(ordinary, &background));

    EXPECT_FALSE(passes(appWindow(1, 501, { 0, 0, 800, 600 }, "Item-0"), &app));
    EXPECT_FALSE(passes(appWindow(1, 501, { 0, 0, 800, 600 }, "  FocusModes"), &app)) << "names are trimmed first";

    WindowEntry floating = ordinary;
    floating.layer = Value::integer(3);
    EXPECT_FALSE(passes(floating, &app));
    WindowEntry faint = ordinary;
    faint.alpha = Value::real(0.05);
    EXPECT_FALSE(passes(faint, &app));
}

TEST(IsUserAppWindow, AbsentOrIllTypedLayerAndAlphaPassAndSizeBoundaryIsInclusive)
{
    FakeApplication app;
    WindowEntry noKeys = appWindow(1, 501, { 0, 0, 30, 30 });
    noKeys.layer = Value();
    noKeys.alpha = Value();
    EXPECT_TRUE(passes(noKeys, &app)) << "exactly 30 by 30 with no layer and no alpha key";

    WindowEntry illTyped = noKeys;
    illTyped.layer = Value::string("0");
    illTyped.alpha = Value::string("0");
    EXPECT_TRUE(passes(illTyped, &app));

    WindowEntry narrow = appWindow(1, 501, { 0, 0, 29.9, 30 });
    EXPECT_FALSE(passes(narrow, &app));
}

TEST(IsOnScreenEntry, ReadsBooleanThenIntegerAndTreatsAbsenceAsOffScreen)
{
    const std::pair<Value, bool> cases[] = { { Value(), false }, { Value::boolean(true), true },
        { Value::boolean(false), false }, { Value::integer(2), true }, { Value::integer(0), false },
        { Value::real(0.5), false }, { Value::string("1"), false } };
    for (int i = 0; const auto& [value, onScreen] : cases) {
        WindowEntry e;
        e.isOnscreen = value;
        EXPECT_EQ(isOnScreenEntry(e), onScreen) << "case " << i++;
    }
}

TEST(EntryTitle, TrimsWhiteSpaceAndNewlinesAndIsEmptyWhenNotAString)
{
    WindowEntry e;
    EXPECT_EQ(entryTitle(e), "");
    e.name = Value::string("\n  zsh — 80×24 \t");
    EXPECT_EQ(entryTitle(e), "zsh — 80×24");
    e.name = Value::integer(7);
    EXPECT_EQ(entryTitle(e), "");
}

TEST(FrontWindowOfProcess, SkipsHelpersAndTakesTheFrontmostQualifyingWindow)
{
    WindowEntry toolbar = appWindow(10, 501, { 0, 0, 1920, 59 });
    WindowEntry sheetHelper = appWindow(11, 501, { 0, 0, 400, 300 });
    sheetHelper.alpha = Value::real(0.05);
    WindowEntry panel = appWindow(12, 501, { 0, 0, 400, 300 });
    panel.layer = Value::integer(3);
    WindowEntry noBounds = appWindow(13, 501, { 0, 0, 800, 600 });
    noBounds.bounds = {};
    WindowEntry otherApp = appWindow(20, 502, { 0, 0, 800, 600 });
    WindowEntry document = appWindow(14, 501, { 0, 0, 80, 60 });
    WindowEntry behind = appWindow(15, 501, { 0, 0, 800, 600 });

    std::vector<const WindowEntry*> list { &toolbar, &sheetHelper, &panel, &noBounds, &otherApp, &document, &behind };
    EXPECT_EQ(frontWindowOfProcess(501, list), 14u);
    EXPECT_EQ(frontWindowOfProcess(502, list), 20u);
    EXPECT_FALSE(frontWindowOfProcess(503, list));
}
