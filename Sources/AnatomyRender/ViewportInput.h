#pragma once

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyRender/KeyModifiers.h"
#include "AnatomyRender/Math/Float2.h"
#include "AnatomyRender/PointerModifier.h"

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace morvena {

// What the viewport makes of pointer, scroll, pinch and key input, without a window
// system: camera moves on the renderer, the callbacks to the application, the hover
// throttle and the frame rate (120 while the user interacts, 12 when idle). The view
// feeds it events and runs the two timers it asks for.
//
// Points are drawable pixels, origin top left, y down; deltas and viewport heights are
// the window system's points.
class ViewportInput {
public:
    using Clock = AnatomyRenderer::Clock;

    static constexpr int activeFPS = 120;
    static constexpr int idleFPS = 12;
    // How often the view calls checkFrameRate.
    static constexpr double frameRateCheckSeconds = 0.5;
    // Without input for longer than this, and without a camera move, frames slow down.
    static constexpr double idleAfterSeconds = 2.0;
    // At most one hover callback in this time; the latest point in between follows at its end.
    static constexpr double hoverIntervalSeconds = 0.055;

    // What the gestures move: the renderer's camera, null once the renderer is gone,
    // and whether the renderer runs a camera move.
    struct Target {
        std::function<OrbitCamera*()> camera;
        std::function<bool()> isAnimating;
    };

    // The renderer is held weakly: the application owns it.
    explicit ViewportInput(std::weak_ptr<AnatomyRenderer> renderer, Clock clock = {});
    explicit ViewportInput(Target target, Clock clock = {});

    // The application's callbacks; any may be empty.
    std::function<void(float2, PointerModifier)> onSelect;
    std::function<void(float2)> onDoubleClick;
    std::function<void(std::optional<float2>)> onHover; // none: the pointer left
    std::function<void()> onCameraChanged;
    std::function<bool(std::string_view, KeyModifiers)> onKey; // whether it was handled
    // For the view: the frame rate to draw at changed; the view should draw anew.
    std::function<void(int)> onFrameRateChanged;
    std::function<void()> onNeedsDisplay;

    int preferredFPS() const { return preferredFPS_; }
    double lastInteraction() const { return lastInteraction_; }

    // Any input or redraw request: back to the active frame rate at once.
    void markActivity();
    // The half-second check: idle rate after idleAfterSeconds without input or camera move.
    void checkFrameRate();

    // The left button went down; clickCount 2 is the second press of a double click.
    void leftDown(float2 point, int clickCount);
    void leftDragged(float2 delta, KeyModifiers modifiers, float viewportHeight);
    // The right or middle button moved while held.
    void otherDragged(float2 delta, float viewportHeight);
    // A click selects when the button did not move and it was not a double click's second.
    void leftUp(float2 point, int clickCount, KeyModifiers modifiers);
    // Precise deltas are points (touchpads), the others wheel lines.
    void scrolled(float2 delta, bool precise, KeyModifiers modifiers, float viewportHeight);
    // A pinch; magnification > 0 brings the camera closer.
    void magnified(float magnification);
    // The pointer moved with no button held. When the move is throttled, the seconds
    // after which flushHover should deliver it.
    std::optional<double> moved(float2 point);
    void flushHover();
    // The pointer left the view: a pending hover is dropped and none is reported.
    void exited();
    // A key with its text ("a", "\x1b"; empty when it has none). Whether it was handled.
    bool keyPressed(std::string_view text, KeyModifiers modifiers);

private:
    double now() const { return clock_(); }
    void setPreferredFPS(int fps);
    // Runs a camera gesture when the renderer is still there, then reports it.
    void moveCamera(const std::function<void(OrbitCamera&)>& move);
    void needsDisplay();

    Target target_;
    Clock clock_;
    double lastInteraction_ = 0;
    int preferredFPS_ = activeFPS;
    bool dragged_ = false;
    double lastHover_ = 0;
    std::optional<float2> pendingHover_;
};

} // namespace morvena
