#include "AnatomyUI/Inspector/CoverageSection.h"

#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace morvena {

using DisplayText::fromUtf8;
using Theme::Foreground;

CoverageSection::CoverageSection(AppModel& model, QWidget* parent)
    : StructureCardSection(model, 5, "coverage", parent)
{
    content().addWidget(ViewText::divider(this));
    line_ = new QWidget(this);
    auto* line = new QHBoxLayout(line_);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(5);
    line->addWidget(
        ViewText::symbol("info.circle", 9, Theme::foreground(palette(), Foreground::tertiary), line_), 0,
        Qt::AlignVCenter);
    text_ = ViewText::wrapped({}, Theme::TextStyle::caption, Foreground::tertiary, line_);
    text_->setObjectName(QStringLiteral("coverageText"));
    line->addWidget(text_, 1);
    content().addWidget(line_);
    attribution_ = ViewText::wrapped({}, ViewText::fixed(9), Foreground::quaternary, this);
    content().addWidget(attribution_);
    refresh();
}

void CoverageSection::showStructure(const AnatomyStructure& primary)
{
    const auto& manifest = model().manifest();
    // The pack's own card has no dataset name: the loaded dataset's stands in.
    std::string datasetName = primary.datasetName;
    if (datasetName.empty() && manifest)
        datasetName = manifest->displayName;
    line_->setVisible(!datasetName.empty());
    const QString name = fromUtf8(datasetName);
    text_->setFullText(primary.contentSource == FieldSource::curated
            ? QStringLiteral("Nomenclatura e scheda verificate; geometria da %1.").arg(name)
            : QStringLiteral("Nomenclatura e geometria da %1.").arg(name));
    attribution_->setVisible(manifest.has_value());
    attribution_->setFullText(manifest ? fromUtf8(manifest->attribution) : QString());
}

} // namespace morvena
