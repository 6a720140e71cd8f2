#include "AnatomyUI/Layout/FitSwitcher.h"

#include <QEvent>
#include <QResizeEvent>

#include <algorithm>

namespace morvena {

namespace {

int heightAt(const QWidget& widget, int width)
{
    return widget.hasHeightForWidth() ? widget.heightForWidth(width) : widget.sizeHint().height();
}

} // namespace

FitSwitcher::FitSwitcher(QWidget* parent)
    : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void FitSwitcher::addAlternative(QWidget* alternative)
{
    alternative->setParent(this);
    alternatives_.push_back(alternative);
    alternative->setVisible(false);
    updateGeometry();
    choose();
}

QWidget* FitSwitcher::alternativeFor(int width) const
{
    for (auto* alternative : alternatives_)
        if (alternative->sizeHint().width() <= width)
            return alternative;
    return alternatives_.empty() ? nullptr : alternatives_.back();
}

QSize FitSwitcher::sizeHint() const
{
    if (alternatives_.empty())
        return {0, 0};
    // The height is the one of the alternative shown at the width the switcher has: a
    // layout takes it as the most a fixed height may get, and a taller alternative
    // chosen below the first one's width would be cut to the first one's height.
    const int width = alternatives_.front()->sizeHint().width();
    return {width, current_ ? heightForWidth(this->width()) : heightAt(*alternatives_.front(), width)};
}

QSize FitSwitcher::minimumSizeHint() const
{
    if (alternatives_.empty())
        return {0, 0};
    // As narrow as the last alternative allows; the height follows the width.
    const auto& last = *alternatives_.back();
    return {last.minimumSizeHint().width(), 0};
}

int FitSwitcher::heightForWidth(int width) const
{
    auto* alternative = alternativeFor(width);
    return alternative ? heightAt(*alternative, width) : 0;
}

void FitSwitcher::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    choose();
}

bool FitSwitcher::event(QEvent* event)
{
    // An alternative whose content changed may fit differently now.
    if (event->type() == QEvent::LayoutRequest) {
        choose();
        updateGeometry();
    }
    return QWidget::event(event);
}

void FitSwitcher::choose()
{
    auto* chosen = alternativeFor(width());
    for (auto* alternative : alternatives_) {
        if (alternative == chosen)
            alternative->setGeometry(rect());
        alternative->setVisible(alternative == chosen);
    }
    if (chosen != current_) {
        current_ = chosen;
        updateGeometry();
    }
}

} // namespace morvena
