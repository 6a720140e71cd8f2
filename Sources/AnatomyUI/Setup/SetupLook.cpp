#include "AnatomyUI/Setup/SetupLook.h"

#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace morvena::SetupLook {

namespace {

constexpr int progressSteps = 1000;
const QColor orange(255, 149, 0);

} // namespace

QLabel* symbol(std::string_view name, Theme::TextStyle style, const QColor& color, QWidget* parent)
{
    return ViewText::symbol(name, ViewText::styled(style).pixelSize() + 4, color, parent);
}

QProgressBar* progressBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent); // owned by parent
    bar->setRange(0, progressSteps);
    bar->setTextVisible(false);
    bar->setFixedHeight(6);
    return bar;
}

int barValue(double fraction)
{
    return static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * progressSteps));
}

FilledBox* errorBox(WrappingLabel*& message, QWidget* parent)
{
    auto* box = new FilledBox(FilledBox::tinted(orange, 0.12), 10, parent); // owned by parent
    box->setObjectName(QStringLiteral("errorBox"));
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    layout->addWidget(
        symbol("exclamationmark.triangle.fill", Theme::TextStyle::callout, orange, box), 0, Qt::AlignTop);
    layout->addWidget(
        message = ViewText::wrapped({}, Theme::TextStyle::callout, Theme::Foreground::primary, box), 1);
    return box;
}

} // namespace morvena::SetupLook
