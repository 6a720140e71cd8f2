#pragma once

class QLabel;
class QString;
class QWidget;

namespace morvena {

// The label of a card's rows: upper case, 10 px semibold, tracked 0.6, tertiary.
namespace RowLabel {

QLabel* make(const QString& text, QWidget* parent);

} // namespace RowLabel

} // namespace morvena
