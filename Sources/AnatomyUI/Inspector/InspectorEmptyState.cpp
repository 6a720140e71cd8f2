#include "AnatomyUI/Inspector/InspectorEmptyState.h"

#include "AnatomyUI/Inspector/InspectorLook.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

namespace morvena {

using DisplayText::fromUtf8;
using Theme::Foreground;
using Theme::TextStyle;
using ViewText::wrapped;

InspectorEmptyState::InspectorEmptyState(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    auto* layout = InspectorLook::sectionColumn(*this, 10, "emptyState");
    auto* mark = new QLabel(this);
    mark->setPixmap(Brand::mark(56, true, devicePixelRatioF()));
    mark->setFixedSize(56, 58); // 2 px below the mark
    mark->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(mark);
    layout->addWidget(ViewText::wrapped(QStringLiteral("Nessuna struttura selezionata"),
        ViewText::styled(TextStyle::headline), Foreground::primary, this));
    layout->addWidget(wrapped(QStringLiteral("Fai clic su una struttura nel modello, oppure scegli una voce "
                                             "dall'elenco a sinistra. Doppio clic per centrarla."),
        TextStyle::callout, Foreground::secondary, this));
    layout->addWidget(makeDatasetInfo());
    model_.whenChanged({AppModel::Field::manifest}, this, [this] { refresh(); });
    refresh();
}

QWidget* InspectorEmptyState::makeDatasetInfo()
{
    datasetInfo_ = new QWidget(this);
    auto* info = InspectorLook::sectionColumn(*datasetInfo_, 10, "datasetInfo");
    auto* divider = new QWidget(datasetInfo_);
    auto* dividerLayout = ViewText::column(divider, 0);
    dividerLayout->setContentsMargins(0, 4, 0, 4);
    dividerLayout->addWidget(ViewText::divider(divider));
    info->addWidget(divider);
    info->addWidget(new SectionHeader(QStringLiteral("DATASET ATTIVO"), datasetInfo_));
    info->addWidget(datasetName_ = wrapped({}, TextStyle::callout, Foreground::primary, datasetInfo_));
    info->addWidget(datasetCounts_ = wrapped({}, TextStyle::caption, Foreground::secondary, datasetInfo_));
    info->addWidget(datasetLicense_ = wrapped({}, TextStyle::caption, Foreground::secondary, datasetInfo_));
    info->addWidget(datasetMissing_ = wrapped({}, TextStyle::caption, Foreground::tertiary, datasetInfo_));
    info->addWidget(
        datasetNotes_ = ViewText::wrapped({}, ViewText::fixed(10), Foreground::quaternary, datasetInfo_));
    return datasetInfo_;
}

void InspectorEmptyState::refresh()
{
    const auto& manifest = model_.manifest();
    datasetInfo_->setVisible(manifest.has_value());
    if (!manifest)
        return;
    datasetName_->setFullText(fromUtf8(manifest->displayName));
    datasetCounts_->setFullText(QString::number(manifest->structureCount) + QStringLiteral(" strutture · ")
        + DisplayText::count(manifest->triangleCount) + QStringLiteral(" triangoli"));
    datasetLicense_->setFullText(fromUtf8(manifest->license));
    QStringList missing;
    for (const auto& system : manifest->missingSystems)
        missing << fromUtf8(system);
    datasetMissing_->setVisible(!missing.isEmpty());
    datasetMissing_->setFullText(
        QStringLiteral("Sistemi non presenti nel dataset: ") + missing.join(QStringLiteral(", ")) + '.');
    datasetNotes_->setFullText(fromUtf8(manifest->notes));
}

} // namespace morvena
