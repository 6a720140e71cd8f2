#pragma once

// TEMPORARY: the few names of the window's shared look (Look/) that the setup
// screen and the inspector use, with plain stand-in drawing, until that look is
// merged. Removed with the merge; nothing else may include it.

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyCore/Model/FieldSource.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <string_view>

namespace morvena {

enum class GlassStyle { floating, control, accent, subtle };

namespace Theme {
enum class TextStyle { body, callout, headline, subheadline, caption, caption2, title3, title2 };
enum class Foreground { primary, secondary, tertiary, quaternary };
inline QFont font(TextStyle style)
{
    QFont font("Inter");
    font.setPixelSize(style == TextStyle::title2 ? 17 : style == TextStyle::title3 ? 15 : 12);
    font.setBold(style == TextStyle::headline);
    return font;
}
inline QFont mono(TextStyle style)
{
    auto font = Theme::font(style);
    font.setFamily("DejaVu Sans Mono");
    return font;
}
inline QFont monoDigits()
{
    return mono(TextStyle::caption);
}
inline QColor foreground(const QPalette& palette, Foreground level)
{
    auto color = palette.color(QPalette::WindowText);
    color.setAlphaF(level == Foreground::primary ? 1 : level == Foreground::secondary ? 0.7 : 0.45);
    return color;
}
inline QColor color(AnatomySystem)
{
    return QColor(200, 180, 150);
}
} // namespace Theme

namespace Brand {
inline QColor accent()
{
    return QColor::fromRgbF(0.186f, 0.492f, 0.825f);
}
inline QPixmap mark(int size, bool, qreal = 1)
{
    QPixmap pixmap(size, size);
    pixmap.fill(accent());
    return pixmap;
}
} // namespace Brand

class IconRegistry {
public:
    static IconRegistry& shared()
    {
        static IconRegistry registry;
        return registry;
    }
    QIcon icon(std::string_view, const QColor& = QColor()) const { return {}; }
    QPixmap pixmap(std::string_view, int size, const QColor& color, qreal = 1) const
    {
        QPixmap pixmap(size, size);
        pixmap.fill(color);
        return pixmap;
    }
};

class SectionHeader : public QLabel {
public:
    explicit SectionHeader(const QString& title, QWidget* parent = nullptr)
        : QLabel(title, parent)
    {
        setTextFormat(Qt::PlainText);
    }
};

class FieldRow : public QWidget {
public:
    FieldRow(const QString& label, const std::optional<QString>& value, std::optional<FieldSource>, bool,
        QWidget* parent = nullptr)
        : QWidget(parent)
    {
        auto* layout = new QVBoxLayout(this);
        if (!value || value->isEmpty())
            return;
        auto* title = new QLabel(label.toUpper(), this);
        value_ = new QLabel(*value, this);
        title->setTextFormat(Qt::PlainText);
        value_->setTextFormat(Qt::PlainText);
        layout->addWidget(title);
        layout->addWidget(value_);
    }
    QString valueText() const { return value_ ? value_->text() : QString(); }

private:
    QLabel* value_ = nullptr;
};

class MissingRow : public QLabel {
public:
    explicit MissingRow(const QString& label, QWidget* parent = nullptr)
        : QLabel(label.toUpper() + " non presente nei dati", parent)
    {
    }
};

class SystemChip : public QLabel {
public:
    SystemChip(AnatomySystem system, std::optional<std::int64_t>, QWidget* parent = nullptr)
        : QLabel(QString::fromUtf8(italianName(system).data(), static_cast<int>(italianName(system).size())),
            parent)
    {
    }
};

class GlassPanel : public QWidget {
public:
    struct Shape {
        qreal cornerRadius = 0;
        bool capsule = false;
    };
    GlassPanel(GlassStyle, Shape shape, bool, QWidget* parent = nullptr)
        : QWidget(parent)
        , shape_(shape)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(palette().color(QPalette::Base));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(rect()), shape_.cornerRadius, shape_.cornerRadius);
    }

private:
    Shape shape_;
};

class GlassGroup : public QWidget {
public:
    GlassGroup(qreal, QBoxLayout::Direction direction, QWidget* parent = nullptr)
        : QWidget(parent)
        , layout_(new QBoxLayout(direction, this))
    {
        layout_->setContentsMargins(0, 0, 0, 0);
    }
    QBoxLayout& content() { return *layout_; }

private:
    QBoxLayout* layout_;
};

inline void applyGlassButtonStyle(QAbstractButton&, bool) { }

} // namespace morvena
