#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QPointer>
#include <QWidget>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace morvena {

class SegmentedPicker;

// How much of the body is drawn: peeling of layers from the skin inwards, the
// clipping plane with its axis, position and side, the exploded view and the fading
// of what is not selected. Every control shows a model value and changes it only
// through the model's display operations.
class LayersSection : public QWidget {
    Q_OBJECT

public:
    explicit LayersSection(AppModel& model, QWidget* parent = nullptr);

    // What a peeling level leaves of the body.
    static QString layerDescription(int layerDepthMin);
    // The clipping offset in whole millimetres, truncated toward zero.
    static QString offsetReadout(float offset);

private:
    // Follows one changed model value; other fields are ignored.
    void refresh(AppModel::Field field);
    void refreshAll();
    void buildPeeling();
    void buildClipping();
    void buildExplode();
    QSlider* slider(int minimum, int maximum, const char* name);

    QPointer<AppModel> model_;
    QSlider* peeling_ = nullptr;
    QLabel* peelingDescription_ = nullptr;
    QCheckBox* clipToggle_ = nullptr;
    QWidget* clipControls_ = nullptr;
    SegmentedPicker* axes_ = nullptr;
    QSlider* offset_ = nullptr;
    QLabel* offsetReadout_ = nullptr;
    QPushButton* side_ = nullptr;
    QSlider* explode_ = nullptr;
    QCheckBox* ghost_ = nullptr;
};

} // namespace morvena
