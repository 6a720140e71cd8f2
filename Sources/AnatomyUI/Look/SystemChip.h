#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"

#include <QWidget>

#include <cstdint>
#include <optional>

class QLabel;

namespace morvena {

// A system at a glance: its colour as a 7 px dot, its Italian name and, when given,
// a count in monospaced digits.
class SystemChip : public QWidget {
    Q_OBJECT

public:
    SystemChip(AnatomySystem system, std::optional<std::int64_t> count, QWidget* parent = nullptr);

    QString nameText() const;
    // Empty without a count.
    QString countText() const;

private:
    QLabel* name_; // both owned by the widget
    QLabel* count_ = nullptr;
};

} // namespace morvena
