#pragma once

#include <QLabel>

#include <map>
#include <optional>
#include <utility>

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

    // How many times the label has broken its text for a width: once for each width
    // until the text or the font changes.
    int breaks() const { return breaks_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The text broken for one label width, and the label's height with it: measured
    // apart until the label shows that text, then as QLabel measures it.
    struct Broken {
        QString text;
        std::optional<int> height;
        bool heightShown = false;
    };

    // The room for text at a label width.
    int textWidth(int width) const;
    // Whether the text is broken at `width`: not before the label has had a size of its own.
    bool breaksAt(int width) const;
    // The full text with breaks for the label at `width`, kept until the text or font
    // changes: a layout asks each width's height several times, and breaking a long
    // text measures every run of it.
    Broken& brokenFor(int width) const;
    // The label's height at `width` with the text broken as given; whether that is the
    // text it shows.
    std::pair<int, bool> heightOf(const QString& broken, int width) const;
    void rewrap();

    QString fullText_;
    QString shown_; // the text last given to QLabel
    mutable QString brokenFrom_; // the full text of brokenByWidth_
    mutable std::map<int, Broken> brokenByWidth_;
    mutable int breaks_ = 0;
};

} // namespace morvena
