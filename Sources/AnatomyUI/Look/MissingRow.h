#pragma once

#include <QWidget>

namespace morvena {

// A card field the data does not have: its label, then "non presente nei dati".
class MissingRow : public QWidget {
    Q_OBJECT

public:
    explicit MissingRow(const QString& label, QWidget* parent = nullptr);
};

} // namespace morvena
