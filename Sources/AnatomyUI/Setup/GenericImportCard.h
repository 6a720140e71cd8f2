#pragma once

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Setup/SetupCard.h"

#include <filesystem>
#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;

namespace morvena {

class ElidedLabel;

// The import of any other model file: behind a button, the form of the dataset's
// name, licence, attribution and source and the choice of its file or folder. The
// card keeps what is typed and chosen until the import starts.
class GenericImportCard : public SetupCard {
    Q_OBJECT

public:
    // Asks the user for the file or folder to import; none when the user cancels.
    using InputPicker = std::function<std::optional<std::filesystem::path>(QWidget* parent)>;

    GenericImportCard(AppModel& model, InputPicker pickInput, QWidget* parent = nullptr);

private:
    QWidget* makeForm();
    void refreshImportButton();
    void chooseInput();
    void startImport();

    AppModel& model_;
    InputPicker pickInput_;
    std::optional<std::filesystem::path> input_;

    QPushButton* openForm_ = nullptr;
    QWidget* form_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* license_ = nullptr;
    QLineEdit* attribution_ = nullptr;
    QLineEdit* source_ = nullptr;
    ElidedLabel* inputName_ = nullptr;
    QPushButton* importButton_ = nullptr;
};

} // namespace morvena
