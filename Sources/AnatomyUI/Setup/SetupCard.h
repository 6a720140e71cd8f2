#pragma once

#include "AnatomyUI/Look/GlassPanel.h"

#include <QColor>

#include <functional>
#include <string_view>

class QPalette;
class QVBoxLayout;

namespace morvena {

// A glass card of the setup screen: a subtle rounded panel with an outline of its
// own colour, holding a column of what the card shows.
class SetupCard : public GlassPanel {
    Q_OBJECT

public:
    // The outline's colour in a palette.
    using Outline = std::function<QColor(const QPalette&)>;

    SetupCard(Outline outline, int spacing, QWidget* parent = nullptr);

protected:
    QVBoxLayout& content() const { return *column_; }
    // A symbol and a title on one line, and a description below them.
    void addHeading(std::string_view symbol, const QString& title, const QString& description);

private:
    QVBoxLayout* column_ = nullptr;
};

} // namespace morvena
