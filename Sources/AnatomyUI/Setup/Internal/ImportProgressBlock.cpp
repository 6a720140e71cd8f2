#include "AnatomyUI/Setup/Internal/ImportProgressBlock.h"

#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Setup/SetupLook.h"

#include <QProgressBar>
#include <QVBoxLayout>

namespace morvena {

using Theme::Foreground;
using Theme::TextStyle;

ImportProgressBlock::ImportProgressBlock(AppModel& model, QWidget* parent)
    : ProgressBlock(parent)
    , model_(model)
{
    setObjectName(QStringLiteral("importProgress"));
    auto& layout = content();
    layout.addWidget(ViewText::wrapped(QStringLiteral("Importazione in corso"),
        ViewText::styled(TextStyle::headline), Foreground::primary, this));
    layout.addWidget(bar_ = SetupLook::progressBar(this));
    layout.addWidget(
        message_ = ViewText::wrapped(QString(), TextStyle::callout, Foreground::secondary, this));
    layout.addWidget(
        ViewText::wrapped(QStringLiteral("Le mesh vengono lette, saldate, orientate e scritte in un pack "
                                         "binario; il database anatomico viene ricostruito da zero."),
            TextStyle::caption, Foreground::tertiary, this));
    model_.whenChanged({AppModel::Field::phase}, this, [this] { refresh(); });
    refresh();
}

void ImportProgressBlock::refresh()
{
    if (const auto* importing = std::get_if<AppModel::Importing>(&model_.phase())) {
        bar_->setValue(SetupLook::barValue(importing->fraction));
        message_->setFullText(DisplayText::fromUtf8(importing->message));
    }
}

} // namespace morvena
