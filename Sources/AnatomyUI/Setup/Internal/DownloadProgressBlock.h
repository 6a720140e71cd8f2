#pragma once

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Setup/Internal/ProgressBlock.h"

class QProgressBar;

namespace morvena {

class ElidedLabel;
class WrappingLabel;

// The catalog download under way: its stage with bar and detail and a way to stop
// it, or once it failed, the message with a retry. Follows the model's download stage.
class DownloadProgressBlock : public ProgressBlock {
    Q_OBJECT

public:
    explicit DownloadProgressBlock(AppModel& model, QWidget* parent = nullptr);

private:
    QWidget* makeFailed();
    QWidget* makeRunning();

    void refresh();
    void retry();

    AppModel& model_;
    QWidget* failed_ = nullptr;
    WrappingLabel* error_ = nullptr;
    QWidget* running_ = nullptr;
    WrappingLabel* stageTitle_ = nullptr;
    QProgressBar* stageBar_ = nullptr;
    ElidedLabel* stageDetail_ = nullptr;
};

} // namespace morvena
