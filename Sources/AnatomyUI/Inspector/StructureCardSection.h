#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QWidget>

class QVBoxLayout;

namespace morvena {

// A section of the structure card, drawn from the first selected structure. It is
// drawn again when the selection or the loaded dataset changes; with nothing selected
// the card is hidden and the section keeps what it showed.
class StructureCardSection : public QWidget {
    Q_OBJECT

public:
    StructureCardSection(AppModel& model, int spacing, const char* name, QWidget* parent = nullptr);

protected:
    AppModel& model() const { return model_; }
    QVBoxLayout& content() const { return *column_; }
    // Draws the section again from the model's first selected structure, if any.
    void refresh();
    virtual void showStructure(const AnatomyStructure& primary) = 0;

private:
    AppModel& model_;
    QVBoxLayout* column_ = nullptr;
};

} // namespace morvena
