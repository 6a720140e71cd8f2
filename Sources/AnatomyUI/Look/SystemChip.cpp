#include "AnatomyUI/Look/SystemChip.h"

#include "AnatomyUI/Look/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace morvena {

namespace {

class Dot : public QWidget {
public:
    Dot(QColor color, QWidget* parent)
        : QWidget(parent)
        , color_(color)
    {
        setFixedSize(7, 7);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color_);
        painter.drawEllipse(rect());
    }

private:
    QColor color_;
};

} // namespace

SystemChip::SystemChip(AnatomySystem system, std::optional<std::int64_t> count, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    row->addWidget(new Dot(Theme::color(system), this), 0, Qt::AlignVCenter);
    name_ = new QLabel(QString::fromUtf8(italianName(system).data(), italianName(system).size()), this);
    name_->setFont(Theme::font(Theme::TextStyle::caption));
    row->addWidget(name_);
    if (count) {
        count_ = new QLabel(QString::number(*count), this);
        count_->setFont(Theme::monoDigits());
        Theme::setForeground(*count_, Theme::Foreground::tertiary);
        row->addWidget(count_);
    }
}

QString SystemChip::nameText() const
{
    return name_->text();
}

QString SystemChip::countText() const
{
    return count_ ? count_->text() : QString();
}

} // namespace morvena
