#include "AnatomyUI/Look/SegmentedPicker.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace morvena {

namespace {

constexpr qreal cornerRadius = 5;
// The outline around the row and between its segments.
constexpr int outlineWidth = 1;

// A segment fills its own rectangle; the picker behind it draws the outline, and
// the outer ends of the row are rounded.
class Segment : public QPushButton {
public:
    Segment(const QString& title, QWidget* parent)
        : QPushButton(title, parent)
    {
        setCheckable(true);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool chosen = isChecked();
        QColor fill = palette().color(chosen ? QPalette::Highlight : QPalette::Button);
        if (isDown() && !chosen)
            fill = fill.darker(110);
        painter.fillPath(outline(), fill);
        painter.setPen(palette().color(chosen ? QPalette::HighlightedText : QPalette::ButtonText));
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter,
            fontMetrics().elidedText(text(), Qt::ElideRight, std::max(width() - 8, 0)));
    }

private:
    QPainterPath outline() const
    {
        const auto* row = parentWidget();
        const bool first = row && geometry().left() <= outlineWidth;
        const bool last = row && geometry().right() >= row->width() - 1 - outlineWidth;
        const qreal radius = cornerRadius - outlineWidth;
        QPainterPath rounded;
        rounded.addRoundedRect(QRectF(rect()), radius, radius);
        // Square corners where the segment meets its neighbours.
        QPainterPath square;
        QRectF inner(rect());
        if (!first)
            square.addRect(inner.left(), inner.top(), inner.width() / 2, inner.height());
        if (!last)
            square.addRect(inner.center().x(), inner.top(), inner.width() / 2, inner.height());
        return rounded.united(square);
    }
};

} // namespace

SegmentedPicker::SegmentedPicker(const QFont& font, QWidget* parent)
    : QWidget(parent)
    , font_(font)
{
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(outlineWidth, outlineWidth, outlineWidth, outlineWidth);
    row_->setSpacing(outlineWidth);
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, &SegmentedPicker::segmentClicked);
}

QAbstractButton* SegmentedPicker::addSegment(const QString& title, int id)
{
    auto* segment = new Segment(title, this);
    segment->setFont(font_);
    group_->addButton(segment, id);
    row_->addWidget(segment, 1);
    return segment;
}

void SegmentedPicker::setChosen(int id)
{
    auto* segment = group_->button(id);
    if (!segment || segment->isChecked())
        return;
    const QSignalBlocker quiet(segment);
    segment->setChecked(true);
}

int SegmentedPicker::chosen() const
{
    return group_->checkedId();
}

void SegmentedPicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Mid));
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
}

} // namespace morvena
