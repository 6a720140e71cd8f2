#pragma once

#include <QLabel>

namespace morvena {

// Plain text over as many lines as the label's width needs. A word wider than the
// label, which word wrapping would let stick out of its column (a name of thousands
// of letters without a blank), may end a line between any two of its characters;
// words that fit are never broken. text() holds those invisible breaks, fullText()
// the text as given.
class WrappingLabel : public QLabel {
    Q_OBJECT

public:
    explicit WrappingLabel(const QString& text = {}, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    // A text given through QLabel::setText counts from the moment it is given.
    QString fullText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The room for text at a label width.
    int textWidth(int width) const;
    // The full text with breaks for the label at `width`; unbroken before the label
    // has had a size of its own.
    QString brokenFor(int width) const;
    void rewrap();

    QString fullText_;
    QString shown_; // the text last given to QLabel
};

} // namespace morvena
