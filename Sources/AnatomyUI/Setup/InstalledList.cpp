#include "AnatomyUI/Setup/InstalledList.h"

#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvena {

using DisplayText::fromUtf8;
using Theme::Foreground;
using Theme::TextStyle;
using ViewText::styled;

InstalledList::InstalledList(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    setObjectName(QStringLiteral("installedList"));
    auto* layout = ViewText::column(this, 8);
    layout->addWidget(new SectionHeader(QStringLiteral("DATASET INSTALLATI"), this));
    rows_ = new QVBoxLayout;
    rows_->setSpacing(8);
    layout->addLayout(rows_);
    layout->addWidget(
        unreadableNotice_ = ViewText::wrapped({}, TextStyle::caption, Foreground::secondary, this));
    unreadableNotice_->setObjectName(QStringLiteral("unreadableDatasets"));
    // The command is run as copied: a field keeps it whole on one line, where a label
    // would break a long path with invisible characters that a copy carries along.
    layout->addWidget(removalCommand_ = new QLineEdit(this));
    removalCommand_->setObjectName(QStringLiteral("unreadableDatasetsCommand"));
    removalCommand_->setReadOnly(true);
    removalCommand_->setFrame(false);
    removalCommand_->setFont(Theme::mono(TextStyle::caption));
    removalCommand_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    Theme::setForeground(*removalCommand_, Foreground::secondary);
    // The notice names folders to look into: it is there to be copied, as the card's rows are.
    unreadableNotice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    model_.whenChanged({AppModel::Field::installedDatasets}, this, [this] { refresh(); });
    refresh();
}

void InstalledList::refresh()
{
    // A row's "Apri" may be what changed the list: rows go once their click is over.
    ViewText::clearRows(*rows_);
    for (const auto& manifest : model_.installedDatasets())
        rows_->addWidget(makeRow(manifest));
    const auto& notice = model_.unreadableDatasetsNotice();
    const auto command = notice ? notice->command : std::nullopt;
    unreadableNotice_->setText(notice ? fromUtf8(notice->sentence) : QString());
    unreadableNotice_->setVisible(notice.has_value());
    // On a line of its own the removal command is copied whole.
    removalCommand_->setText(command ? fromUtf8(*command) : QString());
    removalCommand_->setCursorPosition(0);
    // Wider than the column, the field shows its start; the tooltip shows it whole.
    removalCommand_->setToolTip(DisplayText::toolTip(removalCommand_->text()));
    removalCommand_->setVisible(command.has_value());
    setVisible(!model_.installedDatasets().empty() || notice.has_value());
}

QWidget* InstalledList::makeRow(const DatasetManifest& manifest)
{
    auto* entry = new FilledBox(FilledBox::textTinted(0.07), 9, this);
    entry->setObjectName(QStringLiteral("installedRow"));
    auto* layout = new QHBoxLayout(entry);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(ViewText::line(
        fromUtf8(manifest.displayName), styled(TextStyle::callout), Foreground::primary, entry));
    texts->addWidget(ViewText::line(QString::number(manifest.structureCount) + QStringLiteral(" strutture · ")
            + fromUtf8(manifest.license),
        styled(TextStyle::caption), Foreground::secondary, entry));
    layout->addLayout(texts, 1);
    auto* open = new QPushButton(QStringLiteral("Apri"), entry);
    layout->addWidget(open);
    connect(open, &QPushButton::clicked, this, [this, id = manifest.id] { model_.load(id); });
    return entry;
}

} // namespace morvena
