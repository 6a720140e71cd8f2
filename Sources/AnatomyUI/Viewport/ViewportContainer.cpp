#include "AnatomyUI/Viewport/ViewportContainer.h"

#include "AnatomyUI/Viewport/AnatomyMetalView.h"
#include "AnatomyUI/Viewport/DepthControl.h"
#include "AnatomyUI/Viewport/HoverLabel.h"
#include "AnatomyUI/Viewport/MeasurementOverlay.h"
#include "AnatomyUI/Viewport/ModelViewport.h"
#include "AnatomyUI/Viewport/OrientationControls.h"
#include "AnatomyUI/Viewport/OverlayLayout.h"
#include "AnatomyUI/Viewport/StatisticsPanel.h"
#include "AnatomyUI/Viewport/StatusChips.h"
#include "AnatomyUI/Viewport/ViewportTools.h"

#include <array>

namespace morvena {

ViewportContainer::ViewportContainer(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(&model)
{
    using Place = OverlayLayout::Place;
    auto* layout = new OverlayLayout(this);
    viewport_ = ModelViewport::make(model, this);
    if (viewport_) {
        layout->addWidget(viewport_, Place::fill);
        overlay_ = new MeasurementOverlay(this);
        layout->addWidget(overlay_, Place::fill);
        // Made before the floating panels, so that they lie over it.
        hover_ = new HoverLabel(this);
        layout->addWidget(hover_, Place::free);
        connect(viewport_, &QOpenGLWidget::frameSwapped, this, [this] { followCamera(); });
    }
    orientation_ = new OrientationControls(model, this);
    layout->addWidget(orientation_, Place::topLeading);
    statistics_ = new StatisticsPanel(this);
    statistics_->setVisible(model.showStatistics());
    layout->addWidget(statistics_, Place::topTrailing);
    chips_ = new StatusChips(model, this);
    layout->addWidget(chips_, Place::bottomLeading);
    tools_ = new ViewportTools(
        model, [this] { return showDepthControl_; }, [this](bool shown) { setShowDepthControl(shown); },
        this);
    layout->addWidget(tools_, Place::bottomTrailing);
    depth_ = new DepthControl(model, this);
    layout->addWidget(depth_, Place::leadingCentre);
    connect(&model, &AppModel::changed, this, &ViewportContainer::modelChanged);
    projectMeasurement();
}

void ViewportContainer::setShowDepthControl(bool shown)
{
    showDepthControl_ = shown;
    depth_->setVisible(shown);
}

void ViewportContainer::modelChanged(AppModel::Field field)
{
    if (!model_)
        return;
    AppModel& model = *model_;
    using Field = AppModel::Field;
    switch (field) {
    // These change only texts of fixed width, icons or the free hover label: no relayout,
    // which matters for the statistics that arrive with every frame.
    case Field::stats:
        if (statistics_->isVisible())
            statistics_->show(model.stats());
        return;
    case Field::layerDepthMin:
        depth_->refresh(model.layerDepthMin());
        return;
    case Field::hoveredLabel:
    case Field::hoveredPoint:
        placeHoverLabel();
        return;
    case Field::ghostOthers:
    case Field::showLabels:
    case Field::darkBackground:
        tools_->refresh();
        return;
    // These show or hide a chip or a panel, or change the readout's length.
    case Field::showStatistics:
        statistics_->setVisible(model.showStatistics());
        if (model.showStatistics())
            statistics_->show(model.stats());
        break;
    case Field::measureMode:
    case Field::measurePoints:
        chips_->refreshMeasurement(model.measureMode(), model.measureDistanceMM());
        projectMeasurement();
        tools_->refresh();
        break;
    case Field::isolationActive:
        chips_->refreshIsolation(model.isolationActive());
        tools_->refresh();
        break;
    case Field::hiddenCount:
        chips_->refreshHidden(model.hiddenCount());
        break;
    default:
        return;
    }
    // The ideal sizes the layout places by have changed.
    layout()->invalidate();
}

void ViewportContainer::followCamera()
{
    if (!model_)
        return;
    const std::string label = model_->orientationLabel();
    orientation_->refresh(label);
    chips_->refreshOrientation(label);
    if (!model_->measurePoints().empty())
        projectMeasurement();
}

void ViewportContainer::projectMeasurement()
{
    if (!overlay_ || !model_)
        return;
    overlay_->setPoints(
        model_->measurePointsOnScreen({static_cast<float>(width()), static_cast<float>(height())}));
}

void ViewportContainer::placeHoverLabel()
{
    if (!hover_ || !model_)
        return;
    const auto& label = model_->hoveredLabel();
    const auto& point = model_->hoveredPoint();
    if (!label || !point) {
        hover_->fadeOut();
        return;
    }
    // The label stays behind the panels, but clear of them where it can.
    const std::array<const QWidget*, 5> shown {orientation_, statistics_, chips_, tools_, depth_};
    std::vector<QRect> panels;
    for (const auto* panel : shown)
        if (panel->isVisible())
            panels.push_back(panel->geometry());
    hover_->showAt(QString::fromStdString(*label), QPointF(point->first, point->second), size(), panels);
}

void ViewportContainer::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    projectMeasurement();
    placeHoverLabel();
}

} // namespace morvena
