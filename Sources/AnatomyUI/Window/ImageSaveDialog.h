#pragma once

#include <QFileDialog>

#include <filesystem>
#include <optional>
#include <string>

namespace morvena {

// The save panel of the image export: Qt's own dialog, opening in a folder with a
// name proposed, that takes only PNG files. A name that does not end in ".png" (in
// any case) gets it added before the dialog checks the name, so the question about
// replacing a file names the file that will be written. A name in a folder that does
// not exist is refused with a warning, the dialog staying open.
class ImageSaveDialog : public QFileDialog {
    Q_OBJECT

public:
    ImageSaveDialog(
        const std::filesystem::path& folder, const std::string& fileName, QWidget* parent = nullptr);

    // Runs the dialog modally; none when it is cancelled.
    static std::optional<std::filesystem::path> ask(
        const std::filesystem::path& folder, const std::string& fileName, QWidget* parent);
    // The name with ".png" added unless it ends in it: "prova.jpg" becomes "prova.jpg.png".
    static QString withPNGExtension(const QString& name);

public slots:
    void accept() override;
};

} // namespace morvena
