#include "AnatomyUI/Look/WrappingLabel.h"

#include "AnatomyUI/Look/DisplayText.h"

#include <QEvent>
#include <QFontMetrics>

#include <algorithm>
#include <climits>
#include <tuple>

namespace morvena {

namespace {

// The narrowest a label lets a layout make it, in average characters: a layout
// short of room wraps the text instead of pushing the column wider.
constexpr int narrowestCharacters = 4;
// Word wrapping's own guess at a comfortable line, in average characters.
constexpr int comfortableCharacters = 80;
// The widths whose broken text a label keeps: a layout tries a few, and a window
// being resized passes through many that are never asked for again.
constexpr std::size_t widthsKept = 16;

} // namespace

WrappingLabel::WrappingLabel(const QString& text, QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFullText(text);
}

void WrappingLabel::setFullText(const QString& text)
{
    fullText_ = text;
    shown_ = this->text(); // not a text of QLabel::setText
    rewrap();
}

QString WrappingLabel::fullText() const
{
    // Until the next resize takes it over, a text given through QLabel::setText lives in
    // text() alone; measuring the one before would give a layout the old text's height.
    return text() != shown_ ? text() : fullText_;
}

QSize WrappingLabel::sizeHint() const
{
    QSize hint = QLabel::sizeHint();
    hint.setWidth(std::min(hint.width(), fontMetrics().averageCharWidth() * comfortableCharacters));
    return hint;
}

QSize WrappingLabel::minimumSizeHint() const
{
    QSize hint = QLabel::minimumSizeHint();
    hint.setWidth(std::min(hint.width(), fontMetrics().averageCharWidth() * narrowestCharacters));
    return hint;
}

int WrappingLabel::heightForWidth(int width) const
{
    if (!breaksAt(width))
        return heightOf(fullText(), width).first;
    auto& broken = brokenFor(width);
    if (!broken.height || (!broken.heightShown && broken.text == text()))
        std::tie(broken.height, broken.heightShown) = heightOf(broken.text, width);
    return *broken.height;
}

void WrappingLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    rewrap();
}

void WrappingLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        brokenByWidth_.clear();
        rewrap();
    }
}

int WrappingLabel::textWidth(int width) const
{
    const QMargins margins = contentsMargins();
    return width - margins.left() - margins.right() - 2 * margin();
}

bool WrappingLabel::breaksAt(int width) const
{
    return testAttribute(Qt::WA_Resized) && textWidth(width) > 0;
}

WrappingLabel::Broken& WrappingLabel::brokenFor(int width) const
{
    if (const QString full = fullText(); full != brokenFrom_) {
        brokenByWidth_.clear();
        brokenFrom_ = full;
    }
    if (auto found = brokenByWidth_.find(width); found != brokenByWidth_.end())
        return found->second;
    if (brokenByWidth_.size() >= widthsKept) // all but the width the label has now
        std::erase_if(brokenByWidth_, [this](const auto& entry) { return entry.first != this->width(); });
    ++breaks_;
    auto text = DisplayText::breakingWideRuns(brokenFrom_, fontMetrics(), textWidth(width));
    return brokenByWidth_.emplace(width, Broken {std::move(text), std::nullopt}).first->second;
}

std::pair<int, bool> WrappingLabel::heightOf(const QString& broken, int width) const
{
    if (broken == text())
        return {QLabel::heightForWidth(width), true};
    // Another width breaks the text elsewhere; exact again once the label has this one.
    const QMargins margins = contentsMargins();
    const QRect lines = fontMetrics().boundingRect(
        QRect(0, 0, std::max(textWidth(width), 1), INT_MAX / 2), Qt::TextWordWrap | alignment(), broken);
    return {lines.height() + margins.top() + margins.bottom() + 2 * margin(), false};
}

void WrappingLabel::rewrap()
{
    fullText_ = fullText();
    shown_ = breaksAt(width()) ? brokenFor(width()).text : fullText_;
    if (shown_ != text())
        setText(shown_);
}

} // namespace morvena
