#pragma once

class QWidget;

namespace morvena {

class AnatomyMetalView;
class AppModel;

// The viewport of the model's current renderer: clicks, double clicks, hovering and
// keys go to the model's handlers, and once the view has its size the model gets a
// handle to it. The view owns the handle; the model holds it weakly.
namespace ModelViewport {

// Owned by `parent`. None when the model has no renderer.
AnatomyMetalView* make(AppModel& model, QWidget* parent);

} // namespace ModelViewport

} // namespace morvena
