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
    // Breaks lines anywhere and draws unshaped when `unbroken`, else between words.
    void fitWrapping(bool unbroken);
    void refresh();

    AppModel& model_;
    QPlainTextEdit* editor_ = nullptr;
};

} // namespace morvena
