#pragma once

#include "AnatomyRender/Math/Float2.h"
#include "AnatomyRender/ViewportInput.h"

#include <QOpenGLWidget>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

class QWindow;

namespace morvena {

class AnatomyRenderer;

// The viewport: draws its renderer's frames and turns mouse, wheel, pinch and key input
// into camera moves and the input's callbacks. It holds the renderer weakly (the
// application owns it) and draws at 120 frames per second while the user interacts, 12
// when idle and none while it cannot be seen.
//
// The renderer's objects that GL does not share are made in this view's context on the
// first frame and dropped when the context goes. Every call into the renderer or a
// callback runs with this view's context current.
class AnatomyMetalView : public QOpenGLWidget {
    Q_OBJECT

public:
    explicit AnatomyMetalView(std::weak_ptr<AnatomyRenderer> renderer, QWidget* parent = nullptr);
    ~AnatomyMetalView() override;

    // The callbacks live in the input (onSelect, onDoubleClick, onHover, onCameraChanged, onKey).
    ViewportInput& input() { return input_; }

    // After a change of scene or camera: counts as activity, and while paused draws one
    // frame at once.
    void requestRedraw();
    // The size in device pixels, the space of event points and picking.
    float2 drawableSize() const;
    bool isPaused() const { return paused_; }
    int preferredFPS() const { return input_.preferredFPS(); }

signals:
    // Once, after the first resize with a non-zero size, on the next turn of the event loop.
    void viewReady();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    float2 viewPoint(const QPointF& position) const;
    // Makes this view's context current before a call into the renderer or a callback.
    void prepareCall();
    void drawFrame();
    // Drops the renderer's objects in this view's context, before that context goes.
    void releaseRendererObjects();
    // Follows the top-level window (and its platform window) that the view is in.
    void watchWindow();
    void updateActivity();
    void setFrameRate(int fps);

    std::weak_ptr<AnatomyRenderer> renderer_;
    ViewportInput input_;
    QTimer frameTimer_;
    QTimer frameRateTimer_;
    QTimer hoverTimer_;
    QMetaObject::Connection contextConnection_;
    QPointer<QWidget> watchedWindow_;
    QPointer<QWindow> watchedPlatformWindow_;
    bool paused_ = true;
    // The frame that requestRedraw drew while paused is in the framebuffer already.
    bool frameDrawnWhilePaused_ = false;
    bool readyQueued_ = false;
    int clickCount_ = 1;
    std::optional<QPointF> lastDragPosition_;
};

} // namespace morvena
