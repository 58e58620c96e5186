#pragma once

#include "platform/app_windows.h"

#include <functional>
#include <memory>

namespace talvora::vmac {

// A window of the program that runs on the virtual Mac. The window server lists it under the
// program's process, draws it in its layer and routes clicks to it unless it ignores the
// mouse. Changes are reported to the window server through `onChange`, which the server
// clears when it goes away first.
class VirtualAppWindow final : public AppWindow {
public:
    VirtualAppWindow(WindowNumber number, const Rect& frame, std::uint64_t styleMask, WindowClassTraits traits,
        std::function<void()> onChange);
    ~VirtualAppWindow() override;

    // What the compositor and the tests read.
    std::uint64_t styleMask() const { return m_styleMask; }
    const WindowColor& backgroundColor() const { return m_background; }
    bool isOpaque() const { return m_opaque; }
    double alphaValue() const { return m_alpha; }
    bool hasShadow() const { return m_hasShadow; }
    int level() const { return m_level; }
    std::uint64_t collectionBehavior() const { return m_collectionBehavior; }
    const std::shared_ptr<HostedView>& contentView() const { return m_contentView; }
    // Grows each time the window is ordered front: among windows of one level the latest is
    // in front.
    std::uint64_t frontOrder() const { return m_frontOrder; }

    void detachFromServer() { m_onChange = nullptr; }

    // AppWindow:
    WindowNumber windowNumber() const override { return m_number; }
    Rect frame() const override { return m_frame; }
    void setFrame(const Rect& frame, bool display) override;
    void setStyleMask(std::uint64_t mask) override;
    void setBackgroundColor(const WindowColor& color) override;
    void setOpaque(bool opaque) override;
    void setAlphaValue(double alpha) override;
    void setIgnoresMouseEvents(bool ignores) override;
    bool ignoresMouseEvents() const override { return m_ignoresMouse; }
    void setHasShadow(bool hasShadow) override;
    void setLevel(int level) override;
    void setCollectionBehavior(std::uint64_t behavior) override;
    void setContentView(std::shared_ptr<HostedView> view) override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override { return m_visible; }
    bool canBecomeKeyWindow() const override { return m_traits.canBecomeKeyWindow; }
    bool canBecomeMainWindow() const override { return m_traits.canBecomeMainWindow; }

private:
    void changed();

    WindowNumber m_number;
    Rect m_frame;
    std::uint64_t m_styleMask;
    WindowClassTraits m_traits;
    std::function<void()> m_onChange;
    WindowColor m_background { 0.93, 0.93, 0.93, 1 }; // the platform's window background
    bool m_opaque = true;
    double m_alpha = 1;
    bool m_ignoresMouse = false;
    bool m_hasShadow = true;
    int m_level = 0;
    std::uint64_t m_collectionBehavior = 0;
    std::shared_ptr<HostedView> m_contentView;
    bool m_visible = false;
    std::uint64_t m_frontOrder = 0;
};

} // namespace talvora::vmac
