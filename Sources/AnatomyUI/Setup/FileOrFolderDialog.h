#pragma once

#include <QFileDialog>

#include <filesystem>
#include <optional>

namespace morvena {

// Chooses one existing file or folder: "Scegli" takes the selected entry, a file as
// well as a folder, or with nothing selected the folder shown. A double click still
// opens a folder. The dialog is Qt's own, in Italian through Qt's catalogue.
class FileOrFolderDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit FileOrFolderDialog(QWidget* parent = nullptr);

    // What "Scegli" took; none before, or when the dialog was cancelled.
    const std::optional<std::filesystem::path>& chosen() const { return chosen_; }

    // Runs the dialog modally; none when it is cancelled.
    static std::optional<std::filesystem::path> choose(QWidget* parent);
    // The confirmation button and the non-native look of the setup screen's pickers.
    static void prepare(QFileDialog& dialog);

public slots:
    void accept() override;

private:
    std::optional<std::filesystem::path> chosen_;
};

} // namespace morvena
