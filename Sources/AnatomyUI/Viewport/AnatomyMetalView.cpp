#include "AnatomyUI/Viewport/AnatomyMetalView.h"

#include "AnatomyRender/AnatomyRenderer.h"
#include "AnatomyUI/Viewport/ViewportKeys.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWindow>

#include <cmath>

namespace morvena {

namespace {

// What a view shows without a renderer.
constexpr float emptyRed = 0.05f;
constexpr float emptyGreen = 0.05f;
constexpr float emptyBlue = 0.06f;

constexpr int millisecondsPerSecond = 1000;

KeyModifiers keyModifiers(Qt::KeyboardModifiers modifiers)
{
    KeyModifiers result;
    if (modifiers & Qt::ControlModifier)
        result |= KeyModifiers::command;
    if (modifiers & Qt::ShiftModifier)
        result |= KeyModifiers::shift;
    if (modifiers & Qt::AltModifier)
        result |= KeyModifiers::option;
    if (modifiers & Qt::MetaModifier)
        result |= KeyModifiers::control;
    return result;
}

int frameInterval(int fps)
{
    return millisecondsPerSecond / std::max(fps, 1);
}

} // namespace

AnatomyMetalView::AnatomyMetalView(std::weak_ptr<AnatomyRenderer> renderer, QWidget* parent)
    : QOpenGLWidget(parent)
    , renderer_(renderer)
    , input_(std::move(renderer))
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // Keeps what requestRedraw drew while paused until the widget is composed.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);

    frameTimer_.setTimerType(Qt::PreciseTimer);
    frameTimer_.setInterval(frameInterval(input_.preferredFPS()));
    connect(&frameTimer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    frameRateTimer_.setInterval(
        static_cast<int>(ViewportInput::frameRateCheckSeconds * millisecondsPerSecond));
    connect(&frameRateTimer_, &QTimer::timeout, this, [this] { input_.checkFrameRate(); });
    frameRateTimer_.start();
    hoverTimer_.setTimerType(Qt::PreciseTimer);
    hoverTimer_.setSingleShot(true);
    connect(&hoverTimer_, &QTimer::timeout, this, [this] {
        prepareCall();
        input_.flushHover();
    });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this] { updateActivity(); });

    input_.onFrameRateChanged = [this](int fps) { setFrameRate(fps); };
    input_.onNeedsDisplay = [this] { update(); };
}

AnatomyMetalView::~AnatomyMetalView()
{
    // The base class destroys the context after this object's members are gone: the
    // renderer's objects in it go now, and nothing here hears of it afterwards.
    disconnect(contextConnection_);
    releaseRendererObjects();
    if (watchedWindow_)
        watchedWindow_->removeEventFilter(this);
    if (watchedPlatformWindow_)
        watchedPlatformWindow_->removeEventFilter(this);
}

float2 AnatomyMetalView::drawableSize() const
{
    auto ratio = devicePixelRatioF();
    return {static_cast<float>(width() * ratio), static_cast<float>(height() * ratio)};
}

float2 AnatomyMetalView::viewPoint(const QPointF& position) const
{
    auto ratio = devicePixelRatioF();
    return {static_cast<float>(position.x() * ratio), static_cast<float>(position.y() * ratio)};
}

void AnatomyMetalView::prepareCall()
{
    makeCurrent();
}

void AnatomyMetalView::requestRedraw()
{
    input_.markActivity();
    if (paused_ && isValid()) {
        makeCurrent();
        drawFrame();
        doneCurrent();
        frameDrawnWhilePaused_ = true;
    }
    update();
}

void AnatomyMetalView::initializeGL()
{
    // A view moved to another window gets a new context: follow that one.
    disconnect(contextConnection_);
    contextConnection_ = connect(
        context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { releaseRendererObjects(); },
        Qt::DirectConnection);
}

void AnatomyMetalView::releaseRendererObjects()
{
    auto renderer = renderer_.lock();
    if (!renderer || !isValid())
        return;
    makeCurrent();
    renderer->releaseContextObjects();
    doneCurrent();
}

void AnatomyMetalView::resizeGL(int width, int height)
{
    if (auto renderer = renderer_.lock())
        renderer->drawableSizeChanged();
    if (readyQueued_ || width <= 0 || height <= 0)
        return;
    readyQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            setFocus(Qt::OtherFocusReason);
            prepareCall();
            emit viewReady();
        },
        Qt::QueuedConnection);
}

void AnatomyMetalView::paintGL()
{
    if (std::exchange(frameDrawnWhilePaused_, false))
        return;
    drawFrame();
}

void AnatomyMetalView::drawFrame()
{
    auto renderer = renderer_.lock();
    if (!renderer) {
        auto* gl = context()->functions();
        gl->glClearColor(emptyRed, emptyGreen, emptyBlue, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    auto size = drawableSize();
    renderer->draw(defaultFramebufferObject(), static_cast<int>(std::lround(size.x)),
        static_cast<int>(std::lround(size.y)));
}

void AnatomyMetalView::watchWindow()
{
    QWidget* top = window();
    if (top != watchedWindow_) {
        if (watchedWindow_)
            watchedWindow_->removeEventFilter(this);
        watchedWindow_ = top;
        top->installEventFilter(this);
    }
    QWindow* platformWindow = top->windowHandle();
    if (platformWindow != watchedPlatformWindow_) {
        if (watchedPlatformWindow_)
            watchedPlatformWindow_->removeEventFilter(this);
        watchedPlatformWindow_ = platformWindow;
        if (platformWindow)
            platformWindow->installEventFilter(this);
    }
}

void AnatomyMetalView::updateActivity()
{
    QWidget* top = window();
    QWindow* platformWindow = top->windowHandle();
    bool paused = !isVisible() || !top->isVisible() || top->isMinimized()
        || (platformWindow && !platformWindow->isExposed());
    if (paused == paused_)
        return;
    paused_ = paused;
    if (paused) {
        frameTimer_.stop();
        return;
    }
    frameDrawnWhilePaused_ = false;
    frameTimer_.start();
}

void AnatomyMetalView::setFrameRate(int fps)
{
    frameTimer_.setInterval(frameInterval(fps));
}

bool AnatomyMetalView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowStateChange:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Expose:
        // Queued: the state the event announces is in place once it has been handled.
        QMetaObject::invokeMethod(
            this, [this] { updateActivity(); }, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return QOpenGLWidget::eventFilter(watched, event);
}

void AnatomyMetalView::showEvent(QShowEvent* event)
{
    QOpenGLWidget::showEvent(event);
    watchWindow();
    updateActivity();
    input_.markActivity();
    update();
}

void AnatomyMetalView::hideEvent(QHideEvent* event)
{
    QOpenGLWidget::hideEvent(event);
    updateActivity();
}

bool AnatomyMetalView::event(QEvent* event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            prepareCall();
            input_.magnified(static_cast<float>(gesture->value()));
            return true;
        }
    }
    return QOpenGLWidget::event(event);
}

void AnatomyMetalView::mousePressEvent(QMouseEvent* event)
{
    prepareCall();
    lastDragPosition_ = event->position();
    if (event->button() != Qt::LeftButton) {
        input_.markActivity();
        return;
    }
    clickCount_ = 1;
    input_.leftDown(viewPoint(event->position()), clickCount_);
}

void AnatomyMetalView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt sends the second press of a double click here instead of to mousePressEvent.
    prepareCall();
    lastDragPosition_ = event->position();
    if (event->button() != Qt::LeftButton) {
        input_.markActivity();
        return;
    }
    clickCount_ = 2;
    input_.leftDown(viewPoint(event->position()), clickCount_);
}

void AnatomyMetalView::mouseMoveEvent(QMouseEvent* event)
{
    prepareCall();
    if (event->buttons() == Qt::NoButton) {
        if (!window()->isActiveWindow())
            return;
        auto wait = input_.moved(viewPoint(event->position()));
        if (wait && !hoverTimer_.isActive())
            hoverTimer_.start(static_cast<int>(std::ceil(*wait * millisecondsPerSecond)));
        return;
    }
    auto position = event->position();
    auto previous = lastDragPosition_.value_or(position);
    lastDragPosition_ = position;
    float2 delta {
        static_cast<float>(position.x() - previous.x()), static_cast<float>(position.y() - previous.y())};
    auto viewportHeight = static_cast<float>(height());
    if (event->buttons() & Qt::LeftButton)
        input_.leftDragged(delta, keyModifiers(event->modifiers()), viewportHeight);
    else
        input_.otherDragged(delta, viewportHeight);
}

void AnatomyMetalView::mouseReleaseEvent(QMouseEvent* event)
{
    prepareCall();
    if (event->buttons() == Qt::NoButton)
        lastDragPosition_.reset();
    if (event->button() != Qt::LeftButton) {
        input_.markActivity();
        return;
    }
    input_.leftUp(viewPoint(event->position()), clickCount_, keyModifiers(event->modifiers()));
}

void AnatomyMetalView::wheelEvent(QWheelEvent* event)
{
    prepareCall();
    // Touchpads give pixels; wheels give eighths of a degree, 120 to a line.
    constexpr float angleUnitsPerLine = 120;
    auto pixels = event->pixelDelta();
    bool precise = !pixels.isNull();
    auto angle = event->angleDelta();
    float2 delta = precise ? float2 {static_cast<float>(pixels.x()), static_cast<float>(pixels.y())}
                           : float2 {static_cast<float>(angle.x()) / angleUnitsPerLine,
                               static_cast<float>(angle.y()) / angleUnitsPerLine};
    input_.scrolled(delta, precise, keyModifiers(event->modifiers()), static_cast<float>(height()));
    event->accept();
}

void AnatomyMetalView::leaveEvent(QEvent* event)
{
    QOpenGLWidget::leaveEvent(event);
    hoverTimer_.stop();
    prepareCall();
    input_.exited();
}

void AnatomyMetalView::keyPressEvent(QKeyEvent* event)
{
    prepareCall();
    // The text comes from the key alone: Ctrl, Shift and AltGr would change event->text().
    auto text = ViewportKeys::text(event->key());
    if (input_.keyPressed(text.value_or(std::string()), keyModifiers(event->modifiers())))
        event->accept();
    else
        event->ignore();
}

} // namespace morvena
