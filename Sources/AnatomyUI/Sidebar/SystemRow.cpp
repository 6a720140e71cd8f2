#include "AnatomyUI/Sidebar/SystemRow.h"

#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Sidebar/SidebarLook.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <cmath>

namespace morvena {

namespace {

// The slider's integer scale: thousandths of full opacity.
constexpr int sliderScale = 1000;
constexpr int sliderMinimum = 50;
constexpr int fadeMilliseconds = 150;
constexpr int dotBox = 18;
constexpr qreal dotSize = 13;

QPixmap dotPixmap(const QColor& color, bool visible, qreal ratio)
{
    QPixmap pixmap(QSize(dotBox, dotBox) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle((dotBox - dotSize) / 2, (dotBox - dotSize) / 2, dotSize, dotSize);
    painter.setOpacity(visible ? 1.0 : 0.22);
    SidebarLook::paintDot(painter, circle, color);
    if (visible) {
        painter.setOpacity(1);
        painter.setPen(QPen(QColor(255, 255, 255, 128), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    return pixmap;
}

QToolButton* plainButton(QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet("QToolButton { border: none; padding: 0; background: transparent; }");
    return button;
}

} // namespace

SystemRow::SystemRow(AppModel& model, AnatomySystem system, QWidget* parent)
    : QWidget(parent)
    , model_(&model)
    , system_(system)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    buildLine();
    buildSlider();
    layout->addWidget(line_);
    layout->addWidget(sliderLine_);
    refresh();
}

std::optional<int> SystemRow::percentage(float opacity)
{
    if (!(opacity < 0.99f))
        return std::nullopt;
    const float scaled = opacity * 100.0f;
    return static_cast<int>(scaled);
}

bool SystemRow::isVisible() const
{
    return model_ && model_->visibleSystems().contains(system_);
}

void SystemRow::buildLine()
{
    line_ = new QWidget(this);
    line_->setObjectName("systemLine");
    line_->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    auto* row = new QHBoxLayout(line_);
    row->setContentsMargins(12, 3, 12, 3);
    row->setSpacing(8);
    dot_ = plainButton(line_);
    dot_->setObjectName("systemDot");
    dot_->setFixedSize(dotBox, dotBox);
    dot_->setIconSize({dotBox, dotBox});
    connect(dot_, &QToolButton::clicked, this, [this] {
        if (model_)
            model_->setVisible(!isVisible(), system_);
    });
    name_ = SidebarLook::line(
        QString::fromUtf8(italianName(system_).data(), static_cast<int>(italianName(system_).size())),
        Theme::font(Theme::TextStyle::callout), Theme::Foreground::primary, line_);
    name_->setObjectName("systemName");
    name_->setAttribute(Qt::WA_TransparentForMouseEvents);
    percent_ = new QLabel(line_);
    percent_->setObjectName("systemPercent");
    percent_->setTextFormat(Qt::PlainText);
    percent_->setFont(SidebarLook::monoFont(9));
    SidebarLook::setForeground(*percent_, SidebarLook::accent(*this));
    count_ = new QLabel(line_);
    count_->setObjectName("systemCount");
    count_->setTextFormat(Qt::PlainText);
    count_->setFont(Theme::monoDigits());
    SidebarLook::setForeground(*count_, SidebarLook::foreground(*this, Theme::Foreground::tertiary));
    opacityButton_ = plainButton(line_);
    opacityButton_->setObjectName("systemOpacityButton");
    opacityButton_->setFixedSize(16, 16);
    opacityButton_->setIconSize({10, 10});
    opacityButton_->setToolTip("Trasparenza del sistema");
    connect(opacityButton_, &QToolButton::clicked, this, &SystemRow::toggleOpacity);
    row->addWidget(dot_);
    row->addWidget(name_);
    row->addStretch(1);
    row->addWidget(percent_);
    row->addWidget(count_);
    row->addWidget(opacityButton_);
}

void SystemRow::buildSlider()
{
    sliderLine_ = new QWidget(this);
    sliderLine_->setObjectName("systemSliderLine");
    auto* row = new QHBoxLayout(sliderLine_);
    row->setContentsMargins(38, 0, 38, 5);
    slider_ = new QSlider(Qt::Horizontal, sliderLine_);
    slider_->setObjectName("systemOpacitySlider");
    slider_->setRange(sliderMinimum, sliderScale);
    slider_->setFocusPolicy(Qt::TabFocus);
    slider_->setAttribute(Qt::WA_MacMiniSize);
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (model_)
            model_->setOpacity(static_cast<float>(value) / sliderScale, system_);
    });
    row->addWidget(slider_);
    sliderFade_ = new QGraphicsOpacityEffect(sliderLine_);
    sliderLine_->setGraphicsEffect(sliderFade_);
    sliderLine_->hide();
    fade_ = new QVariantAnimation(this);
    fade_->setDuration(fadeMilliseconds);
    fade_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(fade_, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& value) { sliderFade_->setOpacity(value.toReal()); });
    connect(fade_, &QVariantAnimation::finished, this, [this] { sliderLine_->setVisible(showOpacity_); });
}

void SystemRow::toggleOpacity()
{
    showOpacity_ = !showOpacity_;
    fade_->stop();
    if (showOpacity_)
        sliderLine_->show();
    fade_->setStartValue(sliderFade_->opacity());
    fade_->setEndValue(showOpacity_ ? 1.0 : 0.0);
    fade_->start();
    refresh();
}

void SystemRow::refreshDot(bool visible)
{
    dot_->setIcon(QIcon(dotPixmap(Theme::color(system_), visible, devicePixelRatioF())));
    const auto name
        = QString::fromUtf8(italianName(system_).data(), static_cast<int>(italianName(system_).size()));
    dot_->setToolTip((visible ? "Nascondi " : "Mostra ") + name);
}

void SystemRow::refresh()
{
    if (!model_)
        return;
    const bool visible = isVisible();
    refreshDot(visible);
    QColor nameColor
        = SidebarLook::foreground(*this, visible ? Theme::Foreground::primary : Theme::Foreground::secondary);
    if (!visible)
        nameColor.setAlphaF(nameColor.alphaF() * 0.75f);
    SidebarLook::setForeground(*name_, nameColor);
    const auto& opacities = model_->systemOpacity();
    const auto entry = opacities.find(system_);
    const auto percent = entry == opacities.end() ? std::nullopt : percentage(entry->second);
    percent_->setVisible(visible && percent.has_value());
    if (percent)
        percent_->setText(QString::number(*percent) + "%");
    const auto counts = model_->systemCounts().find(system_);
    count_->setText(QString::number(counts == model_->systemCounts().end() ? 0 : counts->second));
    QColor buttonColor = showOpacity_ ? SidebarLook::accent(*this)
                                      : SidebarLook::foreground(*this, Theme::Foreground::secondary);
    if (!showOpacity_)
        buttonColor.setAlphaF(buttonColor.alphaF() * 0.55f);
    opacityButton_->setIcon(IconRegistry::shared().icon("circle.lefthalf.filled", buttonColor));
    const int value
        = entry == opacities.end() ? sliderScale : static_cast<int>(std::lround(entry->second * sliderScale));
    if (slider_->value() != value) {
        const QSignalBlocker blocker(slider_);
        slider_->setValue(value);
    }
    update();
}

void SystemRow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (model_ && line_->geometry().contains(event->position().toPoint())) {
        model_->setOnly(system_);
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void SystemRow::paintEvent(QPaintEvent*)
{
    if (!isVisible())
        return;
    QPainter painter(this);
    QColor fill = SidebarLook::foreground(*this, Theme::Foreground::primary);
    fill.setAlphaF(0.035f);
    painter.fillRect(line_->geometry(), fill);
}

} // namespace morvena
