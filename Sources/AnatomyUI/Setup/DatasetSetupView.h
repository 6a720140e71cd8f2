#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QScrollArea>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace morvena {

class ElidedLabel;
class RowButton;
class WrappingLabel;

// The screen shown while no dataset is open: the catalog's first dataset to
// download, the download's and an import's progress, the installed datasets to
// open, the imports from local files and the message of a failed load or import.
// Every action is a call into the model; the screen keeps only the typed import
// form and whether its groups are open.
class DatasetSetupView : public QScrollArea {
    Q_OBJECT

public:
    // Asks the user for a path; none when the user cancels.
    using Picker = std::function<std::optional<std::filesystem::path>(QWidget* parent)>;
    struct Pickers {
        Picker folder; // a BodyParts3D folder; none means Qt's folder dialog
        Picker fileOrFolder; // the generic import's input; none means FileOrFolderDialog
    };

    static const QString defaultHeaderText;

    DatasetSetupView(AppModel& model, QString headerText, Pickers pickers = {}, QWidget* parent = nullptr);

protected:
    // Each showing asks for the catalog while the model has none.
    void showEvent(QShowEvent* event) override;

private:
    struct Fact {
        QLabel* value = nullptr;
    };
    struct Facts {
        std::vector<Fact> items; // download, on disk, licence
    };

    QWidget* makeHeader(const QString& headerText);
    QWidget* makeImportProgress();
    QWidget* makeDownloadProgress();
    QWidget* makeDownloadCard();
    QWidget* makeCatalogOffer();
    QWidget* makeFacts(bool horizontal, Facts& facts);
    QWidget* makeCatalogLoading();
    QWidget* makeCatalogUnreachable();
    QWidget* makeInstalledList();
    QWidget* makeManualImport();
    QWidget* makeBodyParts3DCard();
    QWidget* makeGenericCard();
    QWidget* makeGenericForm();
    QWidget* makeErrorBox(WrappingLabel*& message);

    void modelChanged(AppModel::Field field);
    // Which of the three main blocks shows, and the error box of a failed phase.
    void refreshBlocks();
    void refreshImportProgress();
    void refreshDownloadProgress();
    void refreshCatalog();
    void refreshInstalled();
    void refreshImportButton();
    void setManualImportShown(bool shown);

    void retryDownload();
    void chooseBodyParts3DFolder();
    void chooseGenericInput();
    void importGeneric();

    AppModel& model_;
    Pickers pickers_;

    // View state.
    bool showGenericImport_ = false;
    bool showManualImport_ = false;
    std::optional<std::filesystem::path> genericInput_;

    // The widgets below are owned by the view.
    QVBoxLayout* stack_ = nullptr;
    QWidget* importBlock_ = nullptr;
    QProgressBar* importBar_ = nullptr;
    WrappingLabel* importMessage_ = nullptr;
    QWidget* downloadBlock_ = nullptr;
    QWidget* downloadFailed_ = nullptr;
    WrappingLabel* downloadError_ = nullptr;
    QWidget* downloadRunning_ = nullptr;
    WrappingLabel* stageTitle_ = nullptr;
    QProgressBar* stageBar_ = nullptr;
    ElidedLabel* stageDetail_ = nullptr;
    QWidget* normalBlock_ = nullptr;
    QWidget* catalogOffer_ = nullptr;
    ElidedLabel* entryName_ = nullptr;
    ElidedLabel* entryCounts_ = nullptr;
    Facts wideFacts_;
    Facts narrowFacts_;
    QPushButton* downloadButton_ = nullptr;
    WrappingLabel* entryAttribution_ = nullptr;
    QWidget* catalogLoading_ = nullptr;
    QWidget* catalogUnreachable_ = nullptr;
    WrappingLabel* catalogProblem_ = nullptr;
    QWidget* installedList_ = nullptr;
    QVBoxLayout* installedRows_ = nullptr;
    QLabel* unreadableNotice_ = nullptr;
    RowButton* manualImportToggle_ = nullptr;
    QLabel* manualImportTriangle_ = nullptr;
    QWidget* manualImportContent_ = nullptr;
    QPushButton* openGenericForm_ = nullptr;
    QWidget* genericForm_ = nullptr;
    QLineEdit* genericName_ = nullptr;
    QLineEdit* genericLicense_ = nullptr;
    QLineEdit* genericAttribution_ = nullptr;
    QLineEdit* genericSource_ = nullptr;
    ElidedLabel* genericInputName_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QWidget* errorBox_ = nullptr;
    WrappingLabel* errorMessage_ = nullptr;
};

} // namespace morvena
