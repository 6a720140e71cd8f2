#pragma once

#include "AnatomyUI/Internal/FilledBox.h"

#include <QWidget>

namespace morvena {

// The outline of a rounded card, drawn over the card's content: a child that
// follows its parent's size and lets every click through.
class CardOutline : public QWidget {
    Q_OBJECT

public:
    CardOutline(FilledBox::Color color, qreal cornerRadius, qreal width, QWidget* card);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    FilledBox::Color color_;
    qreal cornerRadius_;
    qreal width_;
};

} // namespace morvena
