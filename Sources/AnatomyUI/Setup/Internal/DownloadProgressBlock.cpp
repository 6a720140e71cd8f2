#include "AnatomyUI/Setup/Internal/DownloadProgressBlock.h"

#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/GlassButtonStyle.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Setup/SetupLook.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvena {

using DisplayText::byteSize;
using Theme::Foreground;
using Theme::TextStyle;
using ViewText::column;
using ViewText::row;
using ViewText::styled;

namespace {

QString stageTitle(DatasetDownload::Stage::Kind kind)
{
    using Kind = DatasetDownload::Stage::Kind;
    switch (kind) {
    case Kind::downloading:
        return QStringLiteral("Scaricamento dell'atlante");
    case Kind::preparing:
        return QStringLiteral("Avvio del download");
    case Kind::verifying:
        return QStringLiteral("Verifica dell'archivio");
    case Kind::installing:
        return QStringLiteral("Installazione");
    case Kind::done:
    case Kind::failed:
        return QStringLiteral("Completato");
    }
    return {};
}

QString stageDetail(const DatasetDownload::Stage& stage)
{
    using Kind = DatasetDownload::Stage::Kind;
    switch (stage.kind) {
    case Kind::downloading:
        return byteSize(stage.received) + QStringLiteral(" di ") + byteSize(stage.total);
    case Kind::verifying:
        return QStringLiteral("Confronto della firma SHA-256");
    case Kind::installing:
        return QStringLiteral("Scrittura dei dati sul disco");
    case Kind::preparing:
    case Kind::done:
    case Kind::failed:
        return QStringLiteral("…");
    }
    return {};
}

} // namespace

DownloadProgressBlock::DownloadProgressBlock(AppModel& model, QWidget* parent)
    : ProgressBlock(parent)
    , model_(model)
{
    setObjectName(QStringLiteral("downloadProgress"));
    content().addWidget(makeFailed());
    content().addWidget(makeRunning());
    model_.whenChanged({AppModel::Field::downloadStage}, this, [this] { refresh(); });
    refresh();
}

QWidget* DownloadProgressBlock::makeFailed()
{
    failed_ = new QWidget(this);
    auto* failed = column(failed_, 12);
    failed->addWidget(SetupLook::errorBox(error_, this));
    auto* buttons = row(8);
    auto* retry = new QPushButton(QStringLiteral("Riprova"), failed_);
    applyGlassButtonStyle(*retry, true);
    auto* cancel = new QPushButton(QStringLiteral("Annulla"), failed_);
    buttons->addWidget(retry);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    failed->addLayout(buttons);
    connect(retry, &QPushButton::clicked, this, &DownloadProgressBlock::retry);
    connect(cancel, &QPushButton::clicked, this, [this] { model_.cancelDownload(); });
    return failed_;
}

QWidget* DownloadProgressBlock::makeRunning()
{
    running_ = new QWidget(this);
    auto* running = column(running_, 12);
    running->addWidget(
        stageTitle_ = ViewText::wrapped(QString(), styled(TextStyle::headline), Foreground::primary, this));
    running->addWidget(stageBar_ = SetupLook::progressBar(running_));
    auto* detailRow = row(8);
    detailRow->addWidget(
        stageDetail_ = ViewText::line(QString(), styled(TextStyle::callout), Foreground::secondary, running_),
        1);
    auto* stop = new QPushButton(QStringLiteral("Annulla"), running_);
    stop->setFlat(true);
    detailRow->addWidget(stop);
    running->addLayout(detailRow);
    running->addWidget(
        ViewText::wrapped(QStringLiteral("L'archivio viene verificato con la sua firma SHA-256 prima di "
                                         "essere installato. Se la connessione cade, il download "
                                         "riprende da dove si era interrotto."),
            TextStyle::caption, Foreground::tertiary, running_));
    connect(stop, &QPushButton::clicked, this, [this] { model_.cancelDownload(); });
    return running_;
}

void DownloadProgressBlock::refresh()
{
    const auto& stage = model_.downloadStage();
    if (!stage)
        return;
    const bool failed = stage->kind == DatasetDownload::Stage::Kind::failed;
    failed_->setVisible(failed);
    running_->setVisible(!failed);
    if (failed) {
        error_->setFullText(DisplayText::fromUtf8(stage->message));
        return;
    }
    stageTitle_->setFullText(stageTitle(stage->kind));
    stageBar_->setValue(SetupLook::barValue(stage->fraction()));
    stageDetail_->setFullText(stageDetail(*stage));
}

void DownloadProgressBlock::retry()
{
    model_.cancelDownload();
    if (model_.catalog() && !model_.catalog()->datasets.empty())
        model_.downloadDataset(model_.catalog()->datasets.front());
}

} // namespace morvena
