#pragma once

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Setup/Internal/ProgressBlock.h"

class QProgressBar;

namespace morvena {

class WrappingLabel;

// How far a running import has come: its bar and the importer's latest message.
// Follows the model's phase.
class ImportProgressBlock : public ProgressBlock {
    Q_OBJECT

public:
    explicit ImportProgressBlock(AppModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    AppModel& model_;
    QProgressBar* bar_ = nullptr;
    WrappingLabel* message_ = nullptr;
};

} // namespace morvena
