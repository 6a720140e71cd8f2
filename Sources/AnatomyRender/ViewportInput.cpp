#include "AnatomyRender/ViewportInput.h"

#include <chrono>
#include <cmath>

namespace morvena {

namespace {

// Zoom per scrolled point of a touchpad and per line of a mouse wheel.
constexpr float preciseZoomPerPoint = 0.0035f;
constexpr float wheelZoomPerLine = 0.06f;

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

ViewportInput::Target rendererTarget(std::weak_ptr<AnatomyRenderer> renderer)
{
    return {
        [renderer]() -> OrbitCamera* {
            auto locked = renderer.lock();
            return locked ? &locked->camera() : nullptr;
        },
        [renderer] {
            auto locked = renderer.lock();
            return locked && locked->isAnimating();
        },
    };
}

} // namespace

ViewportInput::ViewportInput(std::weak_ptr<AnatomyRenderer> renderer, Clock clock)
    : ViewportInput(rendererTarget(std::move(renderer)), std::move(clock))
{
}

ViewportInput::ViewportInput(Target target, Clock clock)
    : target_(std::move(target))
    , clock_(clock ? std::move(clock) : Clock(steadySeconds))
{
    lastInteraction_ = now();
    lastHover_ = lastInteraction_;
}

void ViewportInput::markActivity()
{
    lastInteraction_ = now();
    setPreferredFPS(activeFPS);
}

void ViewportInput::checkFrameRate()
{
    if (!target_.camera())
        return;
    bool idle = now() - lastInteraction_ > idleAfterSeconds && !target_.isAnimating();
    setPreferredFPS(idle ? idleFPS : activeFPS);
}

void ViewportInput::setPreferredFPS(int fps)
{
    if (fps == preferredFPS_)
        return;
    preferredFPS_ = fps;
    if (onFrameRateChanged)
        onFrameRateChanged(fps);
}

void ViewportInput::needsDisplay()
{
    if (onNeedsDisplay)
        onNeedsDisplay();
}

void ViewportInput::moveCamera(const std::function<void(OrbitCamera&)>& move)
{
    auto* camera = target_.camera();
    if (!camera)
        return;
    move(*camera);
    if (onCameraChanged)
        onCameraChanged();
    needsDisplay();
}

void ViewportInput::leftDown(float2 point, int clickCount)
{
    markActivity();
    dragged_ = false;
    if (clickCount == 2 && onDoubleClick)
        onDoubleClick(point);
}

void ViewportInput::leftDragged(float2 delta, KeyModifiers modifiers, float viewportHeight)
{
    markActivity();
    dragged_ = true;
    bool pans = modifiers.contains(KeyModifiers::option) || modifiers.contains(KeyModifiers::control);
    moveCamera([&](OrbitCamera& camera) {
        if (pans)
            camera.pan(delta.x, delta.y, viewportHeight);
        else
            camera.orbit(delta.x, delta.y);
    });
}

void ViewportInput::otherDragged(float2 delta, float viewportHeight)
{
    markActivity();
    moveCamera([&](OrbitCamera& camera) { camera.pan(delta.x, delta.y, viewportHeight); });
}

void ViewportInput::leftUp(float2 point, int clickCount, KeyModifiers modifiers)
{
    markActivity();
    if (dragged_ || clickCount != 1 || !onSelect)
        return;
    auto mode = PointerModifier::none;
    if (modifiers.contains(KeyModifiers::command))
        mode = PointerModifier::subtractive;
    else if (modifiers.contains(KeyModifiers::shift))
        mode = PointerModifier::additive;
    onSelect(point, mode);
}

void ViewportInput::scrolled(float2 delta, bool precise, KeyModifiers modifiers, float viewportHeight)
{
    markActivity();
    moveCamera([&](OrbitCamera& camera) {
        if (modifiers.contains(KeyModifiers::shift)) {
            camera.pan(delta.x, delta.y, viewportHeight);
            return;
        }
        float perUnit = precise ? preciseZoomPerPoint : wheelZoomPerLine;
        camera.zoom(std::exp(-delta.y * perUnit));
    });
}

void ViewportInput::magnified(float magnification)
{
    markActivity();
    moveCamera([&](OrbitCamera& camera) { camera.zoom(1 - magnification); });
}

std::optional<double> ViewportInput::moved(float2 point)
{
    markActivity();
    double elapsed = now() - lastHover_;
    if (elapsed > hoverIntervalSeconds) {
        pendingHover_.reset();
        lastHover_ = now();
        if (onHover)
            onHover(point);
        return std::nullopt;
    }
    // Dropping the point would leave the label of a structure the pointer has left
    // when it stops within the interval: it follows when the interval ends.
    pendingHover_ = point;
    return hoverIntervalSeconds - elapsed;
}

void ViewportInput::flushHover()
{
    if (!pendingHover_)
        return;
    auto point = *pendingHover_;
    pendingHover_.reset();
    lastHover_ = now();
    if (onHover)
        onHover(point);
}

void ViewportInput::exited()
{
    pendingHover_.reset();
    if (onHover)
        onHover(std::nullopt);
}

bool ViewportInput::keyPressed(std::string_view text, KeyModifiers modifiers)
{
    markActivity();
    if (text.empty() || !onKey || !onKey(text, modifiers))
        return false;
    needsDisplay();
    return true;
}

} // namespace morvena
