#include "AnatomyUI/Sidebar/LayersSection.h"

#include "AnatomyUI/Look/SegmentedPicker.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace morvena {

namespace {

// The sliders' integer scales: tenths of a millimetre, thousandths of the explode.
constexpr int offsetScale = 10;
constexpr int offsetLimit = 900;
constexpr int explodeScale = 1000;
constexpr int deepestLayer = 5;

QFont caption()
{
    return Theme::font(Theme::TextStyle::caption);
}

void setValueQuietly(QSlider& slider, int value)
{
    if (slider.value() == value)
        return;
    const QSignalBlocker blocker(&slider);
    slider.setValue(value);
}

void setCheckedQuietly(QAbstractButton& button, bool checked)
{
    if (button.isChecked() == checked)
        return;
    const QSignalBlocker blocker(&button);
    button.setChecked(checked);
}

QCheckBox* toggle(const QString& title, QWidget* parent)
{
    auto* box = new QCheckBox(title, parent);
    box->setFont(caption());
    box->setFocusPolicy(Qt::TabFocus);
    return box;
}

} // namespace

LayersSection::LayersSection(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(&model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 6, 12, 6);
    layout->setSpacing(10);
    buildPeeling();
    layout->addWidget(SidebarLook::divider(this));
    buildClipping();
    layout->addWidget(SidebarLook::divider(this));
    buildExplode();
    // The section gets the whole open area: the controls stay together at its top.
    layout->addStretch(1);
    connect(&model, &AppModel::changed, this, &LayersSection::refresh);
    refreshAll();
}

QString LayersSection::layerDescription(int layerDepthMin)
{
    switch (layerDepthMin) {
    case 0:
        return "Tutti gli strati visibili";
    case 1:
        return "Cute rimossa";
    case 2:
        return "Rimossi cute e muscoli superficiali";
    case 3:
        return "Rimossi anche tendini e vasi superficiali";
    case 4:
        return "Restano scheletro, cartilagini e organi profondi";
    default:
        return "Solo scheletro";
    }
}

QString LayersSection::offsetReadout(float offset)
{
    const double truncated = std::trunc(static_cast<double>(offset));
    const auto whole
        = std::isfinite(truncated) ? static_cast<long long>(std::clamp(truncated, -1e15, 1e15)) : 0LL;
    return QString::number(whole) + " mm";
}

QSlider* LayersSection::slider(int minimum, int maximum, const char* name)
{
    auto* control = new QSlider(Qt::Horizontal, this);
    control->setObjectName(name);
    control->setRange(minimum, maximum);
    control->setFocusPolicy(Qt::TabFocus);
    return control;
}

void LayersSection::buildPeeling()
{
    auto* group = new QVBoxLayout;
    group->setSpacing(4);
    group->addWidget(SidebarLook::wrapped(
        "Rimozione progressiva degli strati", caption(), Theme::Foreground::secondary, this));
    peeling_ = slider(0, deepestLayer, "peelingSlider");
    peeling_->setSingleStep(1);
    peeling_->setPageStep(1);
    connect(peeling_, &QSlider::valueChanged, this, [this](int value) {
        if (model_)
            model_->setLayerDepthMin(value);
    });
    group->addWidget(peeling_);
    peelingDescription_ = SidebarLook::wrapped(
        {}, Theme::font(Theme::TextStyle::caption2), Theme::Foreground::tertiary, this);
    peelingDescription_->setObjectName("layerDescription");
    group->addWidget(peelingDescription_);
    static_cast<QVBoxLayout*>(layout())->addLayout(group);
}

void LayersSection::buildClipping()
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    clipToggle_ = toggle("Piano di taglio", this);
    clipToggle_->setObjectName("clipToggle");
    connect(clipToggle_, &QCheckBox::toggled, this, [this](bool on) {
        if (model_)
            model_->setClip(on);
    });
    layout->addWidget(clipToggle_);

    clipControls_ = new QWidget(this);
    clipControls_->setObjectName("clipControls");
    auto* controls = new QVBoxLayout(clipControls_);
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(10);
    axes_ = new SegmentedPicker(caption(), clipControls_);
    for (auto axis : allClipAxes()) {
        const auto name = italianName(axis);
        axes_->addSegment(QString::fromUtf8(name.data(), static_cast<int>(name.size())), rawValue(axis));
    }
    connect(axes_, &SegmentedPicker::segmentClicked, this, [this](int id) {
        if (auto axis = clipAxis(id); axis && model_)
            model_->setClip(std::nullopt, *axis);
    });
    controls->addWidget(axes_);
    offset_ = slider(-offsetLimit * offsetScale, offsetLimit * offsetScale, "offsetSlider");
    connect(offset_, &QSlider::valueChanged, this, [this](int value) {
        if (model_)
            model_->setClip(std::nullopt, std::nullopt, static_cast<float>(value) / offsetScale);
    });
    controls->addWidget(offset_);
    auto* readoutRow = new QHBoxLayout;
    offsetReadout_ = new QLabel(clipControls_);
    offsetReadout_->setObjectName("offsetReadout");
    offsetReadout_->setTextFormat(Qt::PlainText);
    offsetReadout_->setFont(Theme::monoDigits());
    SidebarLook::setForeground(*offsetReadout_, SidebarLook::foreground(*this, Theme::Foreground::secondary));
    side_ = new QPushButton(clipControls_);
    side_->setObjectName("sideButton");
    side_->setFlat(true);
    side_->setFocusPolicy(Qt::NoFocus);
    side_->setFont(caption());
    SidebarLook::setForeground(*side_, SidebarLook::accent(*this));
    connect(side_, &QPushButton::clicked, this, [this] {
        if (model_)
            model_->setClip(std::nullopt, std::nullopt, std::nullopt, !model_->clipFlipped());
    });
    readoutRow->addWidget(offsetReadout_);
    readoutRow->addStretch(1);
    readoutRow->addWidget(side_);
    controls->addLayout(readoutRow);
    layout->addWidget(clipControls_);
}

void LayersSection::buildExplode()
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    auto* group = new QVBoxLayout;
    group->setSpacing(4);
    group->addWidget(SidebarLook::wrapped("Vista esplosa", caption(), Theme::Foreground::secondary, this));
    explode_ = slider(0, explodeScale, "explodeSlider");
    connect(explode_, &QSlider::valueChanged, this, [this](int value) {
        if (model_)
            model_->setExplode(static_cast<float>(value) / explodeScale);
    });
    group->addWidget(explode_);
    layout->addLayout(group);
    ghost_ = toggle("Sfuma le strutture non selezionate", this);
    ghost_->setObjectName("ghostToggle");
    connect(ghost_, &QCheckBox::toggled, this, [this](bool on) {
        if (model_)
            model_->setGhostOthers(on);
    });
    layout->addWidget(ghost_);
}

void LayersSection::refreshAll()
{
    for (auto field : {AppModel::Field::layerDepthMin, AppModel::Field::clipEnabled,
             AppModel::Field::clipAxis, AppModel::Field::clipOffset, AppModel::Field::clipFlipped,
             AppModel::Field::explode, AppModel::Field::ghostOthers})
        refresh(field);
}

void LayersSection::refresh(AppModel::Field field)
{
    if (!model_)
        return;
    const auto& model = *model_;
    switch (field) {
    case AppModel::Field::layerDepthMin:
        setValueQuietly(*peeling_, std::clamp(model.layerDepthMin(), 0, deepestLayer));
        peelingDescription_->setText(layerDescription(model.layerDepthMin()));
        break;
    case AppModel::Field::clipEnabled:
        setCheckedQuietly(*clipToggle_, model.clipEnabled());
        clipControls_->setVisible(model.clipEnabled());
        break;
    case AppModel::Field::clipAxis:
        axes_->setChosen(rawValue(model.clipAxis()));
        break;
    case AppModel::Field::clipOffset: {
        const float offset = std::isfinite(model.clipOffset()) ? model.clipOffset() : 0.0f;
        setValueQuietly(*offset_,
            static_cast<int>(
                std::lround(std::clamp(offset, -float(offsetLimit), float(offsetLimit)) * offsetScale)));
        offsetReadout_->setText(offsetReadout(model.clipOffset()));
        break;
    }
    case AppModel::Field::clipFlipped:
        side_->setText(model.clipFlipped() ? "Lato opposto" : "Inverti lato");
        break;
    case AppModel::Field::explode:
        setValueQuietly(
            *explode_, static_cast<int>(std::lround(std::clamp(model.explode(), 0.0f, 1.0f) * explodeScale)));
        break;
    case AppModel::Field::ghostOthers:
        setCheckedQuietly(*ghost_, model.ghostOthers());
        break;
    default:
        break;
    }
}

} // namespace morvena
