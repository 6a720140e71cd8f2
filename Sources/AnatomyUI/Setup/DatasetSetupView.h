#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QScrollArea>

#include <filesystem>
#include <functional>
#include <optional>

class QLabel;
class QVBoxLayout;

namespace morvena {

class RowButton;
class WrappingLabel;

// The screen shown while no dataset is open: the catalog's first dataset to
// download, the download's and an import's progress, the installed datasets to
// open, the imports from local files and the message of a failed load or import.
// Every action is a call into the model; the screen keeps only whether the imports
// from file are open. Each block follows the model fields it shows; the screen
// itself follows the phase and the download stage, which decide the blocks shown,
// and scrolls a failure's message into view when it appears.
class DatasetSetupView : public QScrollArea {
    Q_OBJECT

public:
    // Asks the user for a path; none when the user cancels.
    using Picker = std::function<std::optional<std::filesystem::path>(QWidget* parent)>;
    struct Pickers {
        Picker folder; // a BodyParts3D folder; none means BodyParts3DFolderDialog
        Picker fileOrFolder; // the generic import's input; none means FileOrFolderDialog
    };

    static const QString defaultHeaderText;

    DatasetSetupView(AppModel& model, QString headerText, Pickers pickers = {}, QWidget* parent = nullptr);

protected:
    // Each showing asks for the catalog while the model has none.
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeHeader(const QString& headerText);
    QWidget* makeManualImport();

    // Which of the three main blocks shows, and the error box of a failed phase.
    void refreshBlocks();
    void setManualImportShown(bool shown);

    AppModel& model_;
    Pickers pickers_;

    // The widgets below are owned by the view.
    QWidget* importBlock_ = nullptr;
    QWidget* downloadBlock_ = nullptr;
    QWidget* normalBlock_ = nullptr;
    RowButton* manualImportToggle_ = nullptr;
    QLabel* manualImportTriangle_ = nullptr;
    QWidget* manualImportContent_ = nullptr;
    QWidget* errorBox_ = nullptr;
    WrappingLabel* errorMessage_ = nullptr;
};

} // namespace morvena
