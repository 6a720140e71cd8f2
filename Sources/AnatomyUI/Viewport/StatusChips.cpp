#include "AnatomyUI/Viewport/StatusChips.h"

#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Viewport/Chip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QToolButton>
#include <QVBoxLayout>

namespace morvena {

StatusChips::StatusChips(AppModel& model, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->setSizeConstraint(QLayout::SetFixedSize);
    readout_ = makeReadout(model);
    column->addWidget(readout_, 0, Qt::AlignLeft);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    column->addLayout(row);
    orientationChip_ = new Chip(false, 6, this);
    orientationChip_->addSymbol("cube.transparent", 10);
    orientation_ = orientationChip_->addText({}, 11, QFont::Medium);
    row->addWidget(orientationChip_);

    QPointer<AppModel> guarded(&model);
    isolation_ = new Chip(true, 5, this);
    isolation_->setObjectName("isolamento");
    isolation_->addSymbol("square.on.square.dashed", 10);
    isolation_->addText("Isolamento", 11, QFont::Medium);
    isolation_->addSymbol("xmark", 8);
    isolation_->setClickable(true);
    connect(isolation_, &Chip::clicked, this, [guarded] {
        if (guarded)
            guarded->clearIsolation();
    });
    row->addWidget(isolation_);

    hidden_ = new Chip(false, 5, this);
    hidden_->setObjectName("nascoste");
    hidden_->addSymbol("eye.slash", 10);
    hiddenText_ = hidden_->addText({}, 11, QFont::Normal);
    hidden_->setClickable(true);
    connect(hidden_, &Chip::clicked, this, [guarded] {
        if (guarded)
            guarded->showHidden();
    });
    row->addWidget(hidden_);
    row->addStretch();

    refreshOrientation(model.orientationLabel());
    refreshIsolation(model.isolationActive());
    refreshHidden(model.hiddenCount());
    refreshMeasurement(model.measureMode(), model.measureDistanceMM());
}

Chip* StatusChips::makeReadout(AppModel& model)
{
    auto* chip = new Chip(false, 8, this);
    chip->layout()->setContentsMargins(12, 7, 12, 7);
    chip->addSymbol("ruler", 11);
    distance_ = chip->addText({}, 12, QFont::DemiBold);
    distance_->setFont([&] {
        QFont font = Theme::monoDigits();
        font.setPixelSize(12);
        font.setWeight(QFont::DemiBold);
        return font;
    }());
    distanceCM_ = chip->addText({}, 10, QFont::Normal);
    clear_ = new QToolButton(chip);
    clear_->setText("Azzera");
    clear_->setAutoRaise(true);
    clear_->setFocusPolicy(Qt::NoFocus);
    QFont font = clear_->font();
    font.setPixelSize(10);
    font.setWeight(QFont::Medium);
    clear_->setFont(font);
    QPalette palette = clear_->palette();
    palette.setColor(QPalette::ButtonText, palette.color(QPalette::Highlight));
    clear_->setPalette(palette);
    QPointer<AppModel> guarded(&model);
    connect(clear_, &QToolButton::clicked, this, [guarded] {
        if (guarded)
            guarded->clearMeasurement();
    });
    chip->addWidget(clear_);
    hint_ = chip->addText("Fai clic su due punti del modello", 11, QFont::Normal);
    return chip;
}

QString StatusChips::millimetres(float distance)
{
    return QString::asprintf("%.1f mm", static_cast<double>(distance));
}

QString StatusChips::centimetres(float distance)
{
    return QString::asprintf("%.2f cm", static_cast<double>(distance / 10));
}

void StatusChips::refreshOrientation(const std::string& label)
{
    const QString text = QString::fromStdString(label);
    if (orientation_->text() == text)
        return;
    orientation_->setText(text);
    // The chip and the chips around it take the text's width now rather than through
    // the layout requests it posts, which left the chip as wide as its first label.
    orientationChip_->layout()->activate();
    layout()->activate();
}

void StatusChips::refreshIsolation(bool active)
{
    isolation_->setVisible(active);
}

void StatusChips::refreshHidden(std::int64_t count)
{
    hiddenText_->setText(QString::number(count) + " nascoste");
    hidden_->setVisible(count >= 1);
}

void StatusChips::refreshMeasurement(bool measuring, std::optional<float> distanceMM)
{
    readout_->setVisible(measuring);
    for (QWidget* part : std::initializer_list<QWidget*> {distance_, distanceCM_, clear_})
        part->setVisible(distanceMM.has_value());
    hint_->setVisible(!distanceMM);
    if (distanceMM) {
        distance_->setText(millimetres(*distanceMM));
        distanceCM_->setText(centimetres(*distanceMM));
    }
}

QString StatusChips::readoutText() const
{
    if (hint_->isVisibleTo(readout_))
        return hint_->text();
    return distance_->text() + " " + distanceCM_->text();
}

} // namespace morvena
