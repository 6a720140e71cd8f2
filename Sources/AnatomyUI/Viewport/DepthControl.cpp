#include "AnatomyUI/Viewport/DepthControl.h"

#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Viewport/CapsuleButton.h"

#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace morvena {

const std::array<DepthControl::Level, 6> DepthControl::levels {{
    {"square.3.layers.3d", "Tutti gli strati"},
    {"square.3.layers.3d.top.filled", "Senza cute"},
    {"square.2.layers.3d", "Senza muscoli superficiali"},
    {"square.2.layers.3d.bottom.filled", "Senza tendini e vasi superficiali"},
    {"square.3.layers.3d.bottom.filled", "Strutture profonde"},
    {"figure.stand", "Solo scheletro"},
}};

namespace {

QLabel* makeHeading(QWidget* parent)
{
    auto* heading = new QLabel("STRATI", parent);
    QFont font = heading->font();
    font.setPixelSize(8);
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    heading->setFont(font);
    Theme::setForeground(*heading, Theme::Foreground::tertiary);
    heading->setContentsMargins(0, 0, 0, 2);
    return heading;
}

} // namespace

DepthControl::DepthControl(AppModel& model, QWidget* parent)
    : GlassPanel(GlassStyle::floating, {.cornerRadius = 20}, false, parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 9, 6, 9);
    column->setSpacing(4);
    column->addWidget(makeHeading(this), 0, Qt::AlignHCenter);
    QPointer<AppModel> guarded(&model);
    for (std::size_t index = 0; index < levels.size(); ++index) {
        auto* button = new CapsuleButton(QSize(28, 26), this);
        button->setSymbol(levels[index].symbol);
        button->setInactiveOpacity(0.8);
        button->setToolTip(QString::fromUtf8(levels[index].title));
        connect(button, &QToolButton::clicked, this, [guarded, index] {
            if (guarded)
                guarded->setLayerDepthMin(static_cast<int>(index));
        });
        column->addWidget(button, 0, Qt::AlignHCenter);
        buttons_[index] = button;
    }
    refresh(model.layerDepthMin());
}

void DepthControl::refresh(int layerDepthMin)
{
    for (std::size_t index = 0; index < buttons_.size(); ++index)
        buttons_[index]->setActive(static_cast<int>(index) == layerDepthMin);
}

} // namespace morvena
