#include "AnatomyUI/Viewport/StatisticsPanel.h"

#include "AnatomyUI/Look/Theme.h"

#include <QGridLayout>
#include <QLabel>
#include <QLocale>

#include <algorithm>

namespace morvena {

namespace {

constexpr std::array<const char*, StatisticsPanel::rowCount> rowLabels {
    "FPS", "frame", "triangoli", "draw call", "strutture", "escluse", "GPU"};
constexpr int minimumValueWidth = 56;

QFont sized(QFont font, int pixels, QFont::Weight weight = QFont::Normal)
{
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

} // namespace

StatisticsPanel::StatisticsPanel(QWidget* parent)
    : GlassPanel(GlassStyle::floating, {.cornerRadius = 14}, false, parent)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(3);
    const QFont labelFont = sized(font(), 9);
    const QFont valueFont = sized(Theme::monoDigits(), 10, QFont::Medium);
    const int valueWidth
        = std::max(minimumValueWidth, QFontMetrics(valueFont).horizontalAdvance("000.000.000") + 2);
    QPalette labelPalette = palette();
    labelPalette.setColor(QPalette::WindowText, Theme::foreground(palette(), Theme::Foreground::tertiary));
    for (std::size_t row = 0; row < rowCount; ++row) {
        auto* label = new QLabel(rowLabels[row], this);
        label->setFont(labelFont);
        label->setPalette(labelPalette);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* value = new QLabel(this);
        value->setTextFormat(Qt::PlainText);
        value->setFont(valueFont);
        // Fixed in both directions, so that a new value never asks for a relayout.
        value->setFixedSize(valueWidth, QFontMetrics(valueFont).height());
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(label, static_cast<int>(row), 0);
        grid->addWidget(value, static_cast<int>(row), 1);
        values_[row] = value;
    }
    show(RenderStats {});
}

std::array<QString, StatisticsPanel::rowCount> StatisticsPanel::values(const RenderStats& stats)
{
    return {QString::asprintf("%.0f", stats.fps), QString::asprintf("%.2f ms", stats.frameTimeMS),
        QLocale().toString(stats.triangles), QString::number(stats.drawCalls),
        QString::number(stats.visibleStructures), QString::number(stats.culledStructures),
        QString::number(stats.gpuMemoryMB) + " MB"};
}

void StatisticsPanel::show(const RenderStats& stats)
{
    const auto texts = values(stats);
    for (std::size_t row = 0; row < rowCount; ++row)
        if (values_[row]->text() != texts[row])
            values_[row]->setText(texts[row]);
}

} // namespace morvena
