#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QWidget>

class QPlainTextEdit;

namespace morvena {

// The user's own note on the structure: typing changes the model's draft, "Salva
// annotazione" stores it. Follows the model's draft.
class NoteSection : public QWidget {
    Q_OBJECT

public:
    explicit NoteSection(AppModel& model, QWidget* parent = nullptr);

private:
    QWidget* makeEditor();
    void refresh();

    AppModel& model_;
    QPlainTextEdit* editor_ = nullptr;
};

} // namespace morvena
