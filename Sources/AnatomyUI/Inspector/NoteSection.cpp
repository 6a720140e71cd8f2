#include "AnatomyUI/Inspector/NoteSection.h"

#include "AnatomyUI/Inspector/InspectorLook.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/GlassPanel.h"
#include "AnatomyUI/Look/SectionHeader.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace morvena {

using Theme::TextStyle;
using ViewText::styled;

NoteSection::NoteSection(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    auto* layout = InspectorLook::sectionColumn(*this, 6, "note");
    layout->addWidget(new SectionHeader(QStringLiteral("LE MIE ANNOTAZIONI"), this));
    layout->addWidget(makeEditor());
    auto* saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    auto* save = new QPushButton(QStringLiteral("Salva annotazione"), this);
    save->setFocusPolicy(Qt::NoFocus);
    save->setFont(styled(TextStyle::subheadline));
    saveRow->addWidget(save);
    layout->addLayout(saveRow);
    connect(editor_, &QPlainTextEdit::textChanged, this,
        [this] { model_.setNoteDraft(editor_->toPlainText().toStdString()); });
    connect(save, &QPushButton::clicked, this, [this] { model_.saveNote(); });
    model_.whenChanged({AppModel::Field::noteDraft}, this, [this] { refresh(); });
    refresh();
}

QWidget* NoteSection::makeEditor()
{
    auto* panel = new GlassPanel(GlassStyle::subtle, {10, false}, false, this);
    auto* panelLayout = ViewText::column(panel, 0);
    panelLayout->setContentsMargins(8, 8, 8, 8);
    editor_ = new QPlainTextEdit(panel);
    editor_->setObjectName(QStringLiteral("noteEditor"));
    editor_->setFont(styled(TextStyle::callout));
    editor_->setFrameShape(QFrame::NoFrame);
    editor_->setMinimumHeight(54);
    editor_->setFixedHeight(72);
    editor_->viewport()->setAutoFillBackground(false);
    editor_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    panelLayout->addWidget(editor_);
    return panel;
}

void NoteSection::refresh()
{
    const QString draft = DisplayText::fromUtf8(model_.noteDraft());
    if (editor_->toPlainText() == draft)
        return;
    const QSignalBlocker quiet(editor_);
    editor_->setPlainText(draft);
}

} // namespace morvena
