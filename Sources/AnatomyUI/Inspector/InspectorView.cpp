#include "AnatomyUI/Inspector/InspectorView.h"

#include "AnatomyCore/Model/AnatomyRelation.h"
#include "AnatomyCore/Model/BodyRegion.h"
#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/RowButton.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Layout/FitSwitcher.h"
#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/FieldRow.h"
#include "AnatomyUI/Look/GlassButtonStyle.h"
#include "AnatomyUI/Look/GlassGroup.h"
#include "AnatomyUI/Look/GlassPanel.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/MissingRow.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Look/SystemChip.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Look/WrappingLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace morvena {

using DisplayText::fromUtf8;
using Theme::Foreground;
using Theme::TextStyle;

namespace {

constexpr std::size_t shownAncestors = 6;
constexpr std::size_t shownRelated = 12;
constexpr int ancestorIndent = 7;
// At or above this opacity a structure counts as opaque for the transparency toggle.
constexpr float opaqueEnough = 0.9f;
constexpr float transparentOpacity = 0.35f;
const QColor orange(255, 149, 0);

QFont styled(TextStyle style)
{
    return Theme::font(style);
}

WrappingLabel* wrapped(const QString& text, TextStyle style, Foreground level, QWidget* parent)
{
    return ViewText::wrapped(text, styled(style), level, parent);
}

QVBoxLayout* column(QWidget* widget, int spacing)
{
    auto* layout = new QVBoxLayout(widget); // owned by widget
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// Removes the rows of a list. A click on a row may be what replaces the list, so
// the rows go once the event that got here is over.
void clearRows(QVBoxLayout& rows)
{
    while (auto* item = rows.takeAt(0)) {
        if (auto* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

std::optional<QString> text(const std::optional<std::string>& value)
{
    return value ? std::optional(fromUtf8(*value)) : std::nullopt;
}

void addField(QVBoxLayout& rows, const QString& label, const std::optional<QString>& value,
    std::optional<FieldSource> source, bool mono = false)
{
    // A field without a value draws nothing, not even its label.
    if (value && !value->isEmpty())
        rows.addWidget(new FieldRow(label, value, source, mono, rows.parentWidget()));
}

// The small caption above a list of the relations section.
QLabel* captionLabel(const char* text, QWidget* parent)
{
    return ViewText::wrapped(
        QString::fromUtf8(text), ViewText::fixed(10, QFont::DemiBold, 0.6), Foreground::tertiary, parent);
}

QToolButton* toolButton(QWidget* parent)
{
    auto* button = new QToolButton(parent); // owned by parent
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    return button;
}

struct InspectorAction {
    const char* title;
    std::string_view symbol;
    const char* help;
};

constexpr std::array<InspectorAction, 3> inspectorActions {{
    {"Centra", "scope", "Centra la struttura"},
    {"Isola", "square.on.square.dashed", "Mostra solo questa struttura"},
    {"Trasparenza", "circle.lefthalf.filled", "Rendi trasparente la struttura"},
}};

} // namespace

InspectorView::InspectorView(AppModel& model, QWidget* parent)
    : QScrollArea(parent)
    , model_(model)
{
    setMinimumWidth(minimumColumnWidth);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundRole(QPalette::Base);
    auto* content = new QWidget(this); // owned by the scroll area
    content->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(16);
    layout->addWidget(emptyState_ = makeEmptyState());

    card_ = new QWidget(content);
    auto* sections = column(card_, 16);
    sections->addWidget(makeHeader());
    sections->addWidget(makeNomenclature());
    sections->addWidget(multiple_ = makeMultipleSelection());
    sections->addWidget(makeAnatomy());
    sections->addWidget(clinical_ = makeClinicalNotes());
    sections->addWidget(relations_ = makeRelations());
    sections->addWidget(makeNote());
    sections->addWidget(makeCoverage());
    layout->addWidget(card_);
    layout->addStretch(1);
    setWidget(content);

    connect(&model_, &AppModel::changed, this, &InspectorView::modelChanged);
    refreshAll();
}

QVBoxLayout* InspectorView::section(QWidget*& widget, int spacing, const char* name)
{
    widget = new QWidget(this);
    widget->setObjectName(QString::fromUtf8(name));
    return column(widget, spacing);
}

QVBoxLayout* InspectorView::rowsBelow(QVBoxLayout& section)
{
    auto* rows = new QVBoxLayout; // owned by the section's layout
    rows->setSpacing(section.spacing());
    section.addLayout(rows);
    return rows;
}

QWidget* InspectorView::makeEmptyState()
{
    QWidget* empty = nullptr;
    auto* layout = section(empty, 10, "emptyState");
    auto* mark = new QLabel(empty);
    mark->setPixmap(Brand::mark(56, true, devicePixelRatioF()));
    mark->setFixedSize(56, 58); // 2 px below the mark
    mark->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(mark);
    layout->addWidget(ViewText::wrapped(QStringLiteral("Nessuna struttura selezionata"),
        styled(TextStyle::headline), Foreground::primary, empty));
    layout->addWidget(wrapped(QStringLiteral("Fai clic su una struttura nel modello, oppure scegli una voce "
                                             "dall'elenco a sinistra. Doppio clic per centrarla."),
        TextStyle::callout, Foreground::secondary, empty));

    auto* info = section(datasetInfo_, 10, "datasetInfo");
    auto* divider = new QWidget(datasetInfo_);
    auto* dividerLayout = column(divider, 0);
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
    layout->addWidget(datasetInfo_);
    return empty;
}

QWidget* InspectorView::makeHeader()
{
    QWidget* header = nullptr;
    auto* layout = section(header, 6, "header");
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(8);
    name_ = ViewText::wrapped({}, ViewText::fixed(19, QFont::DemiBold), Foreground::primary, header);
    name_->setObjectName(QStringLiteral("structureName"));
    name_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    titleLine->addWidget(name_, 1, Qt::AlignTop);
    bookmark_ = toolButton(header);
    bookmark_->setObjectName(QStringLiteral("bookmark"));
    bookmark_->setToolTip(QStringLiteral("Aggiungi ai segnalibri"));
    bookmark_->setIconSize({16, 16});
    titleLine->addWidget(bookmark_, 0, Qt::AlignTop);
    layout->addLayout(titleLine);
    connect(bookmark_, &QToolButton::clicked, this, [this] { model_.toggleBookmark(); });

    systemLine_ = new QVBoxLayout;
    systemLine_->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(systemLine_);
    layout->addWidget(makeActionRow());
    return header;
}

QWidget* InspectorView::makeActionRow()
{
    auto* group = new GlassGroup(8, QBoxLayout::LeftToRight, this);
    actions_ = new FitSwitcher(group);
    actions_->setObjectName(QStringLiteral("actions"));
    actionButtons_.resize(inspectorActions.size());
    actions_->addAlternative(makeActionAlternative(true));
    actions_->addAlternative(makeActionAlternative(false));
    group->content().addWidget(actions_);
    return group;
}

QWidget* InspectorView::makeActionAlternative(bool titled)
{
    auto* alternative = new QWidget(this);
    auto* layout = new QHBoxLayout(alternative);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(7);
    for (std::size_t i = 0; i < inspectorActions.size(); ++i) {
        const auto& action = inspectorActions[i];
        auto* button = toolButton(alternative);
        button->setAutoRaise(false);
        button->setIcon(IconRegistry::shared().icon(action.symbol));
        button->setToolTip(QString::fromUtf8(action.help));
        button->setFont(styled(TextStyle::subheadline));
        button->setIconSize({14, 14});
        if (titled) {
            button->setText(QString::fromUtf8(action.title));
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        } else {
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
        applyGlassButtonStyle(*button, false, ControlSize::small);
        layout->addWidget(button);
        (titled ? actionButtons_[i].titled : actionButtons_[i].iconOnly) = button;
        connect(button, &QToolButton::clicked, this, [this, i] {
            if (i == 0)
                model_.focusSelection();
            else if (i == 1)
                model_.isolateSelection();
            else
                toggleTransparency();
        });
    }
    layout->addStretch(1);
    alternative->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return alternative;
}

QWidget* InspectorView::makeNomenclature()
{
    QWidget* nomenclature = nullptr;
    auto* layout = section(nomenclature, 9, "nomenclature");
    layout->addWidget(new SectionHeader(QStringLiteral("NOMENCLATURA"), nomenclature));
    nomenclatureRows_ = rowsBelow(*layout);
    return nomenclature;
}

QWidget* InspectorView::makeMultipleSelection()
{
    QWidget* multiple = nullptr;
    auto* layout = section(multiple, 6, "multipleSelection");
    layout->addWidget(multipleTitle_ = new SectionHeader({}, multiple));
    multipleRows_ = rowsBelow(*layout);
    return multiple;
}

QWidget* InspectorView::makeAnatomy()
{
    QWidget* anatomy = nullptr;
    auto* layout = section(anatomy, 9, "anatomy");
    layout->addWidget(new SectionHeader(QStringLiteral("ANATOMIA"), anatomy));
    anatomyRows_ = rowsBelow(*layout);
    anatomyMissing_
        = wrapped(QStringLiteral("Per questa struttura il dataset fornisce nomenclatura e geometria. "
                                 "La scheda descrittiva non è ancora disponibile."),
            TextStyle::caption, Foreground::secondary, anatomy);
    anatomyMissing_->setContentsMargins(0, 2, 0, 2);
    layout->addWidget(anatomyMissing_);
    return anatomy;
}

QWidget* InspectorView::makeClinicalNotes()
{
    QWidget* clinical = nullptr;
    auto* layout = section(clinical, 7, "clinicalNotes");
    layout->addWidget(new SectionHeader(QStringLiteral("NOTE CLINICHE"), clinical));
    auto* box = new FilledBox(FilledBox::tinted(orange, 0.12), 10, clinical);
    box->setLeadingBar(FilledBox::tinted(orange, 0.65), 2.5, 6, 1);
    auto* boxLayout = column(box, 0);
    boxLayout->setContentsMargins(11, 11, 11, 11);
    clinicalText_ = wrapped({}, TextStyle::callout, Foreground::primary, box);
    clinicalText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    boxLayout->addWidget(clinicalText_);
    layout->addWidget(box);
    return clinical;
}

QWidget* InspectorView::makeRelations()
{
    QWidget* relations = nullptr;
    auto* layout = section(relations, 9, "relations");
    layout->addWidget(new SectionHeader(QStringLiteral("CONTESTO ANATOMICO"), relations));
    auto* ancestry = section(ancestry_, 3, "ancestry");
    ancestry->addWidget(captionLabel("PARTE DI", ancestry_));
    ancestryRows_ = rowsBelow(*ancestry);
    layout->addWidget(ancestry_);
    auto* related = section(related_, 3, "related");
    related->addWidget(captionLabel("STRUTTURE CORRELATE", related_));
    relatedRows_ = rowsBelow(*related);
    layout->addWidget(related_);
    return relations;
}

QWidget* InspectorView::makeNote()
{
    QWidget* note = nullptr;
    auto* layout = section(note, 6, "note");
    layout->addWidget(new SectionHeader(QStringLiteral("LE MIE ANNOTAZIONI"), note));
    auto* panel = new GlassPanel(GlassStyle::subtle, {10, false}, false, note);
    auto* panelLayout = column(panel, 0);
    panelLayout->setContentsMargins(8, 8, 8, 8);
    noteEditor_ = new QPlainTextEdit(panel);
    noteEditor_->setObjectName(QStringLiteral("noteEditor"));
    noteEditor_->setFont(styled(TextStyle::callout));
    noteEditor_->setFrameShape(QFrame::NoFrame);
    noteEditor_->setMinimumHeight(54);
    noteEditor_->setFixedHeight(72);
    noteEditor_->viewport()->setAutoFillBackground(false);
    noteEditor_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    panelLayout->addWidget(noteEditor_);
    layout->addWidget(panel);
    auto* saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    auto* save = new QPushButton(QStringLiteral("Salva annotazione"), note);
    save->setFocusPolicy(Qt::NoFocus);
    save->setFont(styled(TextStyle::subheadline));
    saveRow->addWidget(save);
    layout->addLayout(saveRow);
    connect(noteEditor_, &QPlainTextEdit::textChanged, this,
        [this] { model_.setNoteDraft(noteEditor_->toPlainText().toStdString()); });
    connect(save, &QPushButton::clicked, this, [this] { model_.saveNote(); });
    return note;
}

QWidget* InspectorView::makeCoverage()
{
    QWidget* coverage = nullptr;
    auto* layout = section(coverage, 5, "coverage");
    layout->addWidget(ViewText::divider(coverage));
    coverageLine_ = new QWidget(coverage);
    auto* line = new QHBoxLayout(coverageLine_);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(5);
    line->addWidget(
        ViewText::symbol("info.circle", 9, Theme::foreground(palette(), Foreground::tertiary), coverageLine_),
        0, Qt::AlignVCenter);
    coverageText_ = wrapped({}, TextStyle::caption, Foreground::tertiary, coverageLine_);
    coverageText_->setObjectName(QStringLiteral("coverageText"));
    line->addWidget(coverageText_, 1);
    layout->addWidget(coverageLine_);
    attribution_ = ViewText::wrapped({}, ViewText::fixed(9), Foreground::quaternary, coverage);
    layout->addWidget(attribution_);
    return coverage;
}

void InspectorView::modelChanged(AppModel::Field field)
{
    switch (field) {
    case AppModel::Field::selection:
        refreshCard();
        refreshBookmark();
        break;
    case AppModel::Field::manifest:
        refreshEmptyState();
        refreshCard();
        break;
    case AppModel::Field::bookmarks:
        refreshBookmark();
        break;
    case AppModel::Field::noteDraft:
        refreshNoteText();
        break;
    default:
        break;
    }
}

void InspectorView::refreshAll()
{
    refreshEmptyState();
    refreshCard();
    refreshBookmark();
    refreshNoteText();
}

void InspectorView::refreshCard()
{
    const auto* primary = model_.primary();
    emptyState_->setVisible(primary == nullptr);
    card_->setVisible(primary != nullptr);
    refreshRelations();
    if (!primary)
        return;
    refreshHeader(*primary);
    refreshNomenclature(*primary);
    refreshMultipleSelection();
    refreshAnatomy(*primary);
    refreshClinicalNotes(*primary);
    refreshCoverage(*primary);
}

void InspectorView::refreshHeader(const AnatomyStructure& primary)
{
    name_->setFullText(fromUtf8(primary.displayName()));
    clearRows(*systemLine_);
    auto* line = new QWidget(card_);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(new SystemChip(primary.system, std::nullopt, line));
    const auto addText = [line, layout](const QString& text, Foreground level) {
        layout->addWidget(ViewText::line(text, styled(TextStyle::caption), level, line));
    };
    addText(QStringLiteral("·"), Foreground::quaternary);
    addText(fromUtf8(italianName(primary.region)), Foreground::secondary);
    if (primary.laterality != Laterality::unpaired) {
        addText(QStringLiteral("·"), Foreground::quaternary);
        addText(
            primary.laterality == Laterality::right ? QStringLiteral("Destro") : QStringLiteral("Sinistro"),
            Foreground::secondary);
    }
    layout->addStretch(1);
    systemLine_->addWidget(line);
    const auto& transparency = actionButtons_.back();
    transparency.titled->setVisible(primary.meshIndex.has_value());
    transparency.iconOnly->setVisible(primary.meshIndex.has_value());
}

void InspectorView::refreshNomenclature(const AnatomyStructure& primary)
{
    auto& rows = *nomenclatureRows_;
    clearRows(rows);
    auto* parent = rows.parentWidget();
    if (primary.nameIT)
        addField(rows, QStringLiteral("Italiano"), fromUtf8(*primary.nameIT), FieldSource::curated);
    else
        rows.addWidget(new MissingRow(QStringLiteral("Italiano"), parent));
    addField(rows, QStringLiteral("Latino"), text(primary.nameLA), FieldSource::curated);
    if (!primary.nameLA)
        rows.addWidget(new MissingRow(QStringLiteral("Latino"), parent));
    addField(rows, QStringLiteral("Inglese (dataset)"), fromUtf8(primary.nameEN), FieldSource::dataset);
    if (!primary.synonyms.empty()) {
        QStringList synonyms;
        for (const auto& synonym : primary.synonyms)
            synonyms << fromUtf8(synonym);
        addField(rows, QStringLiteral("Sinonimi"), synonyms.join(QStringLiteral(", ")), FieldSource::curated);
    }
    addField(rows, QStringLiteral("Identificativo"), fromUtf8(primary.conceptID), FieldSource::dataset, true);
}

void InspectorView::refreshMultipleSelection()
{
    const auto& selection = model_.selection();
    multiple_->setVisible(selection.size() >= 2);
    clearRows(*multipleRows_);
    if (selection.size() < 2)
        return;
    multipleTitle_->setText(QStringLiteral("SELEZIONE MULTIPLA (%1)").arg(selection.size()));
    for (std::size_t i = 1; i < selection.size(); ++i) {
        auto* entry = new QWidget(multiple_);
        auto* layout = new QHBoxLayout(entry);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(6);
        auto* dot = new FilledBox(FilledBox::tinted(Theme::color(selection[i].system), 1), 3, entry);
        dot->setCapsule(true);
        dot->setFixedSize(6, 6);
        layout->addWidget(dot);
        layout->addWidget(ViewText::line(fromUtf8(selection[i].displayName()), styled(TextStyle::caption),
                              Foreground::primary, entry),
            1);
        multipleRows_->addWidget(entry);
    }
}

void InspectorView::refreshAnatomy(const AnatomyStructure& primary)
{
    auto& rows = *anatomyRows_;
    clearRows(rows);
    const std::array<std::pair<const char*, const std::optional<std::string>*>, 6> fields {{
        {"Descrizione", &primary.descriptionText},
        {"Funzione", &primary.function},
        {"Origine", &primary.origin},
        {"Inserzione", &primary.insertion},
        {"Innervazione", &primary.innervation},
        {"Vascolarizzazione", &primary.bloodSupply},
    }};
    bool anyPresent = false;
    for (const auto& [label, value] : fields) {
        addField(rows, QString::fromUtf8(label), text(*value), FieldSource::curated);
        anyPresent = anyPresent || value->has_value();
    }
    anatomyMissing_->setVisible(!anyPresent);
}

void InspectorView::refreshClinicalNotes(const AnatomyStructure& primary)
{
    const bool shown = primary.clinicalNotes && !primary.clinicalNotes->empty();
    clinical_->setVisible(shown);
    clinicalText_->setFullText(shown ? fromUtf8(*primary.clinicalNotes) : QString());
}

void InspectorView::refreshCoverage(const AnatomyStructure& primary)
{
    const auto& manifest = model_.manifest();
    // The pack's own card has no dataset name: the loaded dataset's stands in.
    std::string datasetName = primary.datasetName;
    if (datasetName.empty() && manifest)
        datasetName = manifest->displayName;
    coverageLine_->setVisible(!datasetName.empty());
    const QString name = fromUtf8(datasetName);
    coverageText_->setFullText(primary.contentSource == FieldSource::curated
            ? QStringLiteral("Nomenclatura e scheda verificate; geometria da %1.").arg(name)
            : QStringLiteral("Nomenclatura e geometria da %1.").arg(name));
    attribution_->setVisible(manifest.has_value());
    attribution_->setFullText(manifest ? fromUtf8(manifest->attribution) : QString());
}

void InspectorView::refreshEmptyState()
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

void InspectorView::refreshRelations()
{
    const auto* primary = model_.primary();
    const std::string conceptID = primary ? primary->conceptID : std::string();
    const AnatomyDB* database = model_.db().get();
    if (conceptID == relationsConcept_ && database == relationsDatabase_)
        return;
    relationsConcept_ = conceptID;
    relationsDatabase_ = database;
    clearRows(*ancestryRows_);
    clearRows(*relatedRows_);
    const auto ancestry = primary ? model_.ancestry(conceptID) : std::vector<TaxonomyNode> {};
    const auto related = primary ? model_.related(conceptID) : std::vector<AnatomyDB::RelatedStructure> {};
    relations_->setVisible(!ancestry.empty() || !related.empty());

    ancestry_->setVisible(!ancestry.empty());
    for (std::size_t position = 0; position < std::min(ancestry.size(), shownAncestors); ++position) {
        const auto& node = ancestry[position];
        auto* button = new RowButton(5, ancestry_);
        button->setObjectName(QStringLiteral("ancestorRow"));
        button->row().setContentsMargins(ancestorIndent * static_cast<int>(position), 1, 0, 1);
        button->addToRow(ViewText::symbol(
            "arrow.turn.down.right", 8, Theme::foreground(palette(), Foreground::quaternary), button));
        const QString name = fromUtf8(node.displayName());
        // The row takes the pointer, not its labels: the full name is the row's tooltip.
        button->setToolTip(DisplayText::toolTip(name));
        button->addToRow(ViewText::line(name, styled(TextStyle::caption), Foreground::primary, button));
        if (node.meshDescendants >= 2) {
            QFont digits = Theme::monoDigits();
            digits.setPixelSize(9);
            button->addToRow(ViewText::line(
                QString::number(node.meshDescendants), digits, Foreground::quaternary, button));
        }
        button->row().addStretch(1);
        connect(button, &RowButton::clicked, this, [this, id = node.id] { model_.selectConcept(id, true); });
        ancestryRows_->addWidget(button);
    }

    std::size_t shown = 0;
    for (const auto& relation : related) {
        if (relation.kind == RelationKind::partOf)
            continue;
        if (shown++ == shownRelated)
            break;
        auto* button = new RowButton(5, related_);
        button->setObjectName(QStringLiteral("relatedRow"));
        auto* pill = new FilledBox(FilledBox::textTinted(0.12), 0, button);
        pill->setCapsule(true);
        auto* pillLayout = column(pill, 0);
        pillLayout->setContentsMargins(4, 1, 4, 1);
        pillLayout->addWidget(ViewText::line(
            fromUtf8(italianName(relation.kind)), ViewText::fixed(9), Foreground::primary, pill));
        pill->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
        button->addToRow(pill);
        const QString name = fromUtf8(relation.name);
        button->setToolTip(DisplayText::toolTip(name));
        button->addToRow(ViewText::line(name, styled(TextStyle::caption), Foreground::primary, button), 1);
        connect(button, &RowButton::clicked, this,
            [this, id = relation.conceptID] { model_.selectConcept(id, true); });
        relatedRows_->addWidget(button);
    }
    related_->setVisible(shown > 0);
}

void InspectorView::refreshBookmark()
{
    const bool bookmarked = model_.primaryIsBookmarked();
    const QColor tint = bookmarked ? Brand::accent() : Theme::foreground(palette(), Foreground::secondary);
    bookmark_->setIcon(IconRegistry::shared().icon(bookmarked ? "bookmark.fill" : "bookmark", tint));
    bookmark_->setProperty("bookmarked", bookmarked);
}

void InspectorView::refreshNoteText()
{
    const QString draft = fromUtf8(model_.noteDraft());
    if (noteEditor_->toPlainText() == draft)
        return;
    const QSignalBlocker quiet(noteEditor_);
    noteEditor_->setPlainText(draft);
}

void InspectorView::toggleTransparency()
{
    const auto* primary = model_.primary();
    if (!primary || !primary->meshIndex)
        return;
    // The structure's own setting decides, not what its system makes of it: a bone
    // faded with its whole system still turns transparent on the first press.
    const auto own = model_.ownStructureOpacity(*primary->meshIndex);
    model_.setStructureOpacity(!own || *own >= opaqueEnough ? transparentOpacity : 1.0f, *primary->meshIndex);
}

} // namespace morvena
