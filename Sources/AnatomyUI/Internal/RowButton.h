#pragma once

#include <QAbstractButton>

class QHBoxLayout;

namespace morvena {

// A plain button whose label is a row of widgets, clickable over its whole
// rectangle; it takes no keyboard focus, so the viewport keeps its keys.
class RowButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit RowButton(int spacing, QWidget* parent = nullptr);

    // The label's row; widgets added to it let the clicks through to the button.
    QHBoxLayout& row() { return *row_; }
    void addToRow(QWidget* widget, int stretch = 0);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* row_; // owned by the button
};

} // namespace morvena
