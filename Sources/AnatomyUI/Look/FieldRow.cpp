#include "AnatomyUI/Look/FieldRow.h"

#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/RowLabel.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace morvena {

namespace {

QString badgeStyle(FieldSource source, const QPalette& palette)
{
    const bool curated = source == FieldSource::curated;
    QColor text = curated ? Brand::accent() : Theme::foreground(palette, Theme::Foreground::secondary);
    QColor fill = text;
    fill.setAlphaF(curated ? 0.18f : 0.14f);
    return QStringLiteral("color: %1; background: %2; border-radius: 6px; padding: 1px 5px;")
        .arg(text.name(QColor::HexArgb), fill.name(QColor::HexArgb));
}

QLabel* makeBadge(FieldSource source, QWidget* parent)
{
    auto* badge = new QLabel(source == FieldSource::curated ? "scheda" : "dataset", parent);
    QFont font = Theme::font(Theme::TextStyle::body);
    font.setPixelSize(9);
    font.setWeight(QFont::Medium);
    badge->setFont(font);
    badge->setStyleSheet(badgeStyle(source, parent->palette()));
    return badge;
}

} // namespace

FieldRow::FieldRow(const QString& label, const std::optional<QString>& value,
    std::optional<FieldSource> source, bool mono, QWidget* parent)
    : QWidget(parent)
{
    if (!value || value->isEmpty()) {
        setVisible(false);
        return;
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    auto* heading = new QHBoxLayout;
    heading->setSpacing(6);
    label_ = RowLabel::make(label, this);
    heading->addWidget(label_);
    if (source) {
        badge_ = makeBadge(*source, this);
        heading->addWidget(badge_);
    }
    heading->addStretch();
    column->addLayout(heading);
    value_ = new WrappingLabel(*value, this);
    value_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value_->setFont(mono ? Theme::mono(Theme::TextStyle::callout) : Theme::font(Theme::TextStyle::callout));
    column->addWidget(value_);
}

QString FieldRow::labelText() const
{
    return label_ ? label_->text() : QString();
}

QString FieldRow::badgeText() const
{
    return badge_ ? badge_->text() : QString();
}

QString FieldRow::valueText() const
{
    return value_ ? value_->fullText() : QString();
}

} // namespace morvena
