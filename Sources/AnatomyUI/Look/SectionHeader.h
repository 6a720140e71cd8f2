#pragma once

#include <QLabel>

namespace morvena {

// A section's title as written: 11 px semibold, tracked 0.3, secondary.
class SectionHeader : public QLabel {
    Q_OBJECT

public:
    explicit SectionHeader(const QString& title, QWidget* parent = nullptr);
};

} // namespace morvena
