#pragma once

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Setup/SetupCard.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace morvena {

// The recommended import: which files of the BodyParts3D release to fetch, a link to
// its page and the choice of the folder that holds them, which starts the import.
class BodyParts3DCard : public SetupCard {
    Q_OBJECT

public:
    // Asks the user for the release's folder; none when the user cancels.
    using FolderPicker = std::function<std::optional<std::filesystem::path>(QWidget* parent)>;

    BodyParts3DCard(AppModel& model, FolderPicker pickFolder, QWidget* parent = nullptr);

private:
    QWidget* makeSteps();
    // The link to the release's page and the folder's choice, in a row or a column.
    QWidget* makeButtons(bool sideBySide);
    void chooseFolder();

    AppModel& model_;
    FolderPicker pickFolder_;
};

} // namespace morvena
