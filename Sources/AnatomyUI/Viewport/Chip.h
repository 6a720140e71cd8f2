#pragma once

#include <QWidget>

#include <string_view>

class QHBoxLayout;
class QLabel;

namespace morvena {

// A capsule over the viewport holding symbols and short texts: the floating material
// in the secondary colour, or the accent colour with white content when tinted. A
// clickable chip emits clicked when the pointer is released over it.
class Chip : public QWidget {
    Q_OBJECT

public:
    Chip(bool tinted, int spacing, QWidget* parent = nullptr);

    QLabel* addSymbol(std::string_view symbol, int size);
    QLabel* addText(const QString& text, int pixelSize, QFont::Weight weight);
    void addWidget(QWidget* widget);
    void setClickable(bool clickable) { clickable_ = clickable; }
    // The content's colour.
    QColor foreground() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool tinted_;
    bool clickable_ = false;
    QHBoxLayout* row_; // owned by the widget
};

} // namespace morvena
