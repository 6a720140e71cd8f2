#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QPointer>
#include <QWidget>

namespace morvena {

class AnatomyMetalView;
class DepthControl;
class HoverLabel;
class MeasurementOverlay;
class OrientationControls;
class StatisticsPanel;
class StatusChips;
class ViewportTools;

// The detail area while a dataset is shown: the viewport of the model's renderer with
// the panels floating over it. Each panel follows the model fields it shows; after
// every frame the viewport draws, the orientation and the measuring points are read
// again, as camera moves change no model field. The viewport is made once, around the
// renderer the model has when the container is made.
class ViewportContainer : public QWidget {
    Q_OBJECT

public:
    explicit ViewportContainer(AppModel& model, QWidget* parent = nullptr);

    // None when the model had no renderer.
    AnatomyMetalView* viewport() const { return viewport_; }
    bool showDepthControl() const { return showDepthControl_; }
    void setShowDepthControl(bool shown);

    MeasurementOverlay* measurementOverlay() const { return overlay_; }
    HoverLabel* hoverLabel() const { return hover_; }
    OrientationControls& orientationControls() const { return *orientation_; }
    StatisticsPanel& statisticsPanel() const { return *statistics_; }
    DepthControl& depthControl() const { return *depth_; }
    StatusChips& statusChips() const { return *chips_; }
    ViewportTools& tools() const { return *tools_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void modelChanged(AppModel::Field field);
    // What depends on the camera: the orientation and the measuring overlay.
    void followCamera();
    void projectMeasurement();
    void placeHoverLabel();

    QPointer<AppModel> model_;
    bool showDepthControl_ = true;
    // The widgets are owned by the container.
    AnatomyMetalView* viewport_ = nullptr;
    MeasurementOverlay* overlay_ = nullptr;
    HoverLabel* hover_ = nullptr;
    OrientationControls* orientation_ = nullptr;
    StatisticsPanel* statistics_ = nullptr;
    DepthControl* depth_ = nullptr;
    StatusChips* chips_ = nullptr;
    ViewportTools* tools_ = nullptr;
};

} // namespace morvena
