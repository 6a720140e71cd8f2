#pragma once

#include "AnatomyUI/Internal/FilledBox.h"

class QVBoxLayout;

namespace morvena {

// A block of the setup screen that follows long work: a faint fill in a rounded
// rectangle, holding a column.
class ProgressBlock : public FilledBox {
    Q_OBJECT

public:
    explicit ProgressBlock(QWidget* parent = nullptr);

protected:
    QVBoxLayout& content() const { return *column_; }

private:
    QVBoxLayout* column_ = nullptr;
};

} // namespace morvena
