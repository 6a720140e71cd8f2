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
#include <QTextDocument>
#include <QVBoxLayout>

namespace morvena {

using Theme::TextStyle;
using ViewText::styled;

namespace {

// More characters than a line of the editor holds at any width of the inspector.
constexpr qsizetype longestWrappedWord = 256;

// Whether the text has a run without white space longer than that. Line breaking
// finds more places to break than white space, never fewer.
bool hasUnbrokenRun(QStringView text)
{
    qsizetype run = 0;
    for (const QChar character : text) {
        run = character.isSpace() ? 0 : run + 1;
        if (run > longestWrappedWord)
            return true;
    }
    return false;
}

} // namespace

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
    // A long paste, before it is laid out; what is removed is left to the next draft.
    connect(editor_->document(), &QTextDocument::contentsChange, this, [this](int, int, int added) {
        if (added > longestWrappedWord && editor_->wordWrapMode() != QTextOption::WrapAnywhere
            && hasUnbrokenRun(editor_->document()->toPlainText()))
            fitWrapping(true);
    });
    return panel;
}

// Breaking lines between words, Qt looks for the end of the word again for every
// line it lays out, even where it then breaks the word anywhere: a note of one word
// of 256 KB (a pasted link or code) took seconds to draw. A note with a word longer
// than any line is no prose: it breaks anywhere, is drawn unshaped (Latin text loses
// only its kerning) and keeps its scroll bar, so that it is laid out once, at its width.
void NoteSection::fitWrapping(bool unbroken)
{
    // The wrapping first: laid out between words, such a note would take seconds.
    editor_->setWordWrapMode(
        unbroken ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    QFont font = editor_->font();
    font.setStyleStrategy(unbroken ? QFont::PreferNoShaping : QFont::PreferDefault);
    editor_->setFont(font);
    editor_->setVerticalScrollBarPolicy(unbroken ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
}

void NoteSection::refresh()
{
    const QString draft = DisplayText::fromUtf8(model_.noteDraft());
    if (editor_->toPlainText() == draft)
        return;
    const QSignalBlocker quiet(editor_);
    // Each change of wrapping or font lays the whole text out again: made while the
    // editor holds the shorter of the two texts.
    const bool unbroken = hasUnbrokenRun(draft);
    if (unbroken)
        fitWrapping(true);
    editor_->setPlainText(draft);
    if (!unbroken)
        fitWrapping(false);
}

} // namespace morvena
