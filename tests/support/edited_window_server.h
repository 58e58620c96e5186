#pragma once

#include "engine/window_entry.h"
#include "platform/window_list.h"

#include <map>
#include <memory>

namespace talvora::test_support {

// The virtual Mac's window list with edits on top, for tests that set the detector's evidence
// tick by tick: extra Dock backdrops on the primary display, windows reported at other bounds.
class EditedWindowServer final : public WindowServer {
public:
    explicit EditedWindowServer(WindowServer& real)
        : m_real(real)
    {
    }

    int extraBackdrops = 0;
    Rect backdropBounds { 0, 0, 1440, 900 };
    std::map<WindowNumber, Rect> reportedBounds;

    WindowListReply copyWindowList(WindowListOption option, WindowNumber relativeTo) override
    {
        auto reply = m_real.copyWindowList(option, relativeTo);
        if (!reply.ok())
            return reply;
        auto list = std::make_shared<WindowList>(*reply.entries);
        for (auto& e : *list) {
            auto number = entryWindowNumber(e);
            if (auto it = number ? reportedBounds.find(*number) : reportedBounds.end(); it != reportedBounds.end())
                e.bounds = BoundsValue::dictionary(it->second);
        }
        for (int i = 0; i < extraBackdrops; ++i) {
            WindowEntry e;
            e.number = Value::integer(90000 + i);
            e.ownerName = Value::string("Dock");
            e.ownerPID = Value::integer(612);
            e.bounds = BoundsValue::dictionary(backdropBounds);
            e.layer = Value::integer(18);
            e.alpha = Value::real(1);
            e.isOnscreen = Value::boolean(true);
            list->insert(list->begin(), e);
        }
        return { WindowListReply::Status::Ok, std::move(list) };
    }
    Rect displayBounds(DisplayID display) override { return m_real.displayBounds(display); }
    DisplayID mainDisplayID() override { return m_real.mainDisplayID(); }

private:
    WindowServer& m_real;
};

} // namespace talvora::test_support
