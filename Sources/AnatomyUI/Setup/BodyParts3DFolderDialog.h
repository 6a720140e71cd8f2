#pragma once

#include <QFileDialog>

#include <filesystem>
#include <optional>

namespace morvena {

// Chooses the folder that holds the BodyParts3D release: Qt's own dialog, showing
// folders only, with the setup screen's "Scegli".
class BodyParts3DFolderDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit BodyParts3DFolderDialog(QWidget* parent = nullptr);

    // Runs the dialog modally; none when it is cancelled.
    static std::optional<std::filesystem::path> choose(QWidget* parent);
};

} // namespace morvena
