#pragma once

#include "AnatomyCore/Model/FieldSource.h"

#include <QWidget>

#include <optional>

class QLabel;

namespace morvena {

class WrappingLabel;

// One field of a structure card: the label in small capitals, a badge naming the
// source ("scheda" or "dataset") when there is one, and the selectable value below,
// wrapped over as many lines as it needs. Without a value the row shows nothing.
class FieldRow : public QWidget {
    Q_OBJECT

public:
    FieldRow(const QString& label, const std::optional<QString>& value, std::optional<FieldSource> source,
        bool mono, QWidget* parent = nullptr);

    // The label as drawn, the badge's text (empty without one) and the value.
    QString labelText() const;
    QString badgeText() const;
    QString valueText() const;

private:
    QLabel* label_ = nullptr; // the three owned by the widget
    QLabel* badge_ = nullptr;
    WrappingLabel* value_ = nullptr;
};

} // namespace morvena
