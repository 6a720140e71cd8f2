#include "AnatomyUI/Sidebar/SidebarLook.h"

#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/IconRegistry.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QWidget>

namespace morvena::SidebarLook {

QFont font(qreal pixelSize, QFont::Weight weight)
{
    QFont result = Theme::font(Theme::TextStyle::body);
    result.setPixelSize(qRound(pixelSize));
    result.setWeight(weight);
    return result;
}

QFont monoFont(qreal pixelSize)
{
    QFont result = Theme::monoDigits();
    result.setPixelSize(qRound(pixelSize));
    return result;
}

QColor foreground(const QWidget& widget, Theme::Foreground level)
{
    return Theme::foreground(widget.palette(), level);
}

QColor accent(const QWidget& widget)
{
    return widget.palette().color(QPalette::Highlight);
}

void setForeground(QWidget& widget, const QColor& color)
{
    Theme::setTextColor(widget, color);
}

ElidedLabel* line(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent)
{
    auto* label = new ElidedLabel(text, parent);
    label->setFont(font);
    setForeground(*label, foreground(*parent, level));
    return label;
}

QLabel* wrapped(const QString& text, const QFont& font, Theme::Foreground level, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(font);
    setForeground(*label, foreground(*parent, level));
    return label;
}

QLabel* symbol(std::string_view name, int size, int box, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(parent);
    const qreal ratio = parent ? parent->devicePixelRatioF() : qApp->devicePixelRatio();
    label->setPixmap(IconRegistry::shared().pixmap(name, size, color, ratio));
    label->setFixedSize(box, std::max(box, size));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QWidget* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFixedHeight(1);
    line->setFrameShadow(QFrame::Plain);
    Theme::setForeground(*line, Theme::Foreground::quaternary);
    return line;
}

void paintDot(QPainter& painter, const QRectF& rect, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(rect);
    painter.restore();
}

QScrollArea* scrolling(QWidget* content, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setFocusPolicy(Qt::NoFocus);
    area->viewport()->setAutoFillBackground(false);
    area->setWidget(content);
    // setWidget turns the content's fill on, which would paint the window colour over
    // the sidebar's own.
    content->setAutoFillBackground(false);
    return area;
}

QListView* listView(const char* name, QWidget* parent)
{
    auto* view = new QListView(parent);
    view->setObjectName(name);
    view->setFrameShape(QFrame::NoFrame);
    view->setFocusPolicy(Qt::NoFocus);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setUniformItemSizes(false);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setMouseTracking(true);
    view->viewport()->setAutoFillBackground(false);
    view->setAttribute(Qt::WA_Hover);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    view->setPalette(palette);
    return view;
}

QPushButton* textButton(const QString& title, QWidget* parent)
{
    auto* button = new QPushButton(title, parent);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFont(Theme::font(Theme::TextStyle::caption));
    button->setCursor(Qt::PointingHandCursor);
    setForeground(*button, accent(*parent));
    return button;
}

} // namespace morvena::SidebarLook
