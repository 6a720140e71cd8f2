#include "AnatomyUI/Setup/DatasetSetupView.h"

#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyUI/Internal/CardOutline.h"
#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/RowButton.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Layout/FitSwitcher.h"
#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/GlassButtonStyle.h"
#include "AnatomyUI/Look/GlassPanel.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/SectionHeader.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Setup/FileOrFolderDialog.h"

#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>
#include <QVBoxLayout>

namespace morvena {

using DisplayText::byteSize;
using DisplayText::fromUtf8;
using Theme::Foreground;
using Theme::TextStyle;

const QString DatasetSetupView::defaultHeaderText
    = QStringLiteral("Atlante anatomico tridimensionale. Scarica l'atlante una volta sola: da quel momento "
                     "l'app funziona completamente offline.");

namespace {

constexpr int progressSteps = 1000;
constexpr int contentMaxWidth = 760;
const QString manualImportTitle = QStringLiteral("Importa un dataset da file");

QVBoxLayout* column(QWidget* widget, int spacing, int margin = 0)
{
    auto* layout = new QVBoxLayout(widget); // owned by widget
    layout->setSpacing(spacing);
    layout->setContentsMargins(margin, margin, margin, margin);
    return layout;
}

QHBoxLayout* row(int spacing)
{
    auto* layout = new QHBoxLayout; // owned by the layout it is added to
    layout->setSpacing(spacing);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

QFont styled(TextStyle style)
{
    return Theme::font(style);
}

WrappingLabel* wrapped(const QString& text, TextStyle style, Foreground level, QWidget* parent)
{
    return ViewText::wrapped(text, styled(style), level, parent);
}

QLabel* symbol(std::string_view name, TextStyle style, const QColor& color, QWidget* parent)
{
    return ViewText::symbol(name, styled(style).pixelSize() + 4, color, parent);
}

QColor secondary(const QWidget& widget)
{
    return Theme::foreground(widget.palette(), Foreground::secondary);
}

// The import and download blocks: the quinary fill in a rounded rectangle.
FilledBox* progressContainer(QWidget* parent)
{
    auto* box = new FilledBox(FilledBox::textTinted(0.05), 14, parent); // owned by parent
    column(box, 12, 18);
    return box;
}

// A glass card of the setup screen with an outline.
QWidget* card(FilledBox::Color outline, int spacing, QWidget* parent)
{
    auto* panel = new GlassPanel(GlassStyle::subtle, {16, false}, false, parent); // owned by parent
    column(panel, spacing, 18);
    new CardOutline(std::move(outline), 16, 1, panel); // owned by the panel
    return panel;
}

QProgressBar* progressBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent); // owned by parent
    bar->setRange(0, progressSteps);
    bar->setTextVisible(false);
    bar->setFixedHeight(6);
    return bar;
}

int barValue(double fraction)
{
    return static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * progressSteps));
}

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

std::filesystem::path localPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

std::optional<std::filesystem::path> chooseFolder(QWidget* parent)
{
    QFileDialog dialog(parent);
    FileOrFolderDialog::prepare(dialog);
    dialog.setWindowTitle(QStringLiteral("Scegli la cartella di BodyParts3D"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return localPath(dialog.selectedFiles().front());
}

} // namespace

DatasetSetupView::DatasetSetupView(AppModel& model, QString headerText, Pickers pickers, QWidget* parent)
    : QScrollArea(parent)
    , model_(model)
    , pickers_(std::move(pickers))
{
    if (!pickers_.folder)
        pickers_.folder = chooseFolder;
    if (!pickers_.fileOrFolder)
        pickers_.fileOrFolder = FileOrFolderDialog::choose;

    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(this); // owned by the scroll area
    auto* centring = new QHBoxLayout(page);
    centring->setContentsMargins(0, 0, 0, 0);
    auto* content = new QWidget(page);
    content->setMaximumWidth(contentMaxWidth);
    centring->addWidget(content, 1, Qt::AlignTop);
    stack_ = column(content, 22, 34);

    stack_->addWidget(makeHeader(headerText));
    stack_->addWidget(importBlock_ = makeImportProgress());
    stack_->addWidget(downloadBlock_ = makeDownloadProgress());
    normalBlock_ = new QWidget(content);
    auto* normal = column(normalBlock_, 22);
    normal->addWidget(makeDownloadCard());
    normal->addWidget(installedList_ = makeInstalledList());
    normal->addWidget(makeManualImport());
    stack_->addWidget(normalBlock_);
    stack_->addWidget(errorBox_ = makeErrorBox(errorMessage_));
    stack_->addStretch(1);
    setWidget(page);

    connect(&model_, &AppModel::changed, this, &DatasetSetupView::modelChanged);
    refreshCatalog();
    refreshInstalled();
    refreshDownloadProgress();
    refreshImportProgress();
    refreshBlocks();
}

void DatasetSetupView::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    if (!event->spontaneous() && !model_.catalog())
        model_.refreshCatalog();
}

QWidget* DatasetSetupView::makeHeader(const QString& headerText)
{
    auto* header = new QWidget(this);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);
    auto* mark = new QLabel(header);
    mark->setPixmap(Brand::mark(96, true, devicePixelRatioF()));
    mark->setFixedSize(96, 96);
    layout->addWidget(mark, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(8);
    texts->addWidget(ViewText::wrapped(
        QStringLiteral("Morvena"), ViewText::fixed(30, QFont::DemiBold), Foreground::primary, header));
    auto* explanation = wrapped(headerText, TextStyle::title3, Foreground::secondary, header);
    explanation->setObjectName(QStringLiteral("headerText"));
    texts->addWidget(explanation);
    layout->addLayout(texts, 1);
    return header;
}

QWidget* DatasetSetupView::makeImportProgress()
{
    auto* block = progressContainer(this);
    block->setObjectName(QStringLiteral("importProgress"));
    auto* layout = block->layout();
    layout->addWidget(ViewText::wrapped(
        QStringLiteral("Importazione in corso"), styled(TextStyle::headline), Foreground::primary, block));
    layout->addWidget(importBar_ = progressBar(block));
    layout->addWidget(importMessage_ = wrapped(QString(), TextStyle::callout, Foreground::secondary, block));
    layout->addWidget(wrapped(QStringLiteral("Le mesh vengono lette, saldate, orientate e scritte in un pack "
                                             "binario; il database anatomico viene ricostruito da zero."),
        TextStyle::caption, Foreground::tertiary, block));
    return block;
}

QWidget* DatasetSetupView::makeDownloadProgress()
{
    auto* block = progressContainer(this);
    block->setObjectName(QStringLiteral("downloadProgress"));

    downloadFailed_ = new QWidget(block);
    auto* failed = column(downloadFailed_, 12);
    failed->addWidget(makeErrorBox(downloadError_));
    auto* buttons = row(8);
    auto* retry = new QPushButton(QStringLiteral("Riprova"), downloadFailed_);
    applyGlassButtonStyle(*retry, true);
    auto* cancel = new QPushButton(QStringLiteral("Annulla"), downloadFailed_);
    buttons->addWidget(retry);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    failed->addLayout(buttons);
    connect(retry, &QPushButton::clicked, this, &DatasetSetupView::retryDownload);
    connect(cancel, &QPushButton::clicked, this, [this] { model_.cancelDownload(); });

    downloadRunning_ = new QWidget(block);
    auto* running = column(downloadRunning_, 12);
    running->addWidget(
        stageTitle_ = ViewText::wrapped(QString(), styled(TextStyle::headline), Foreground::primary, block));
    running->addWidget(stageBar_ = progressBar(downloadRunning_));
    auto* detailRow = row(8);
    detailRow->addWidget(stageDetail_
        = ViewText::line(QString(), styled(TextStyle::callout), Foreground::secondary, downloadRunning_),
        1);
    auto* stop = new QPushButton(QStringLiteral("Annulla"), downloadRunning_);
    stop->setFlat(true);
    detailRow->addWidget(stop);
    running->addLayout(detailRow);
    running->addWidget(wrapped(QStringLiteral("L'archivio viene verificato con la sua firma SHA-256 prima di "
                                              "essere installato. Se la connessione cade, il download "
                                              "riprende da dove si era interrotto."),
        TextStyle::caption, Foreground::tertiary, downloadRunning_));
    connect(stop, &QPushButton::clicked, this, [this] { model_.cancelDownload(); });

    block->layout()->addWidget(downloadFailed_);
    block->layout()->addWidget(downloadRunning_);
    return block;
}

QWidget* DatasetSetupView::makeDownloadCard()
{
    auto* downloadCard = card(FilledBox::tinted(Brand::accent(), 0.35), 14, this);
    downloadCard->setObjectName(QStringLiteral("downloadCard"));
    downloadCard->layout()->addWidget(catalogOffer_ = makeCatalogOffer());
    downloadCard->layout()->addWidget(catalogLoading_ = makeCatalogLoading());
    downloadCard->layout()->addWidget(catalogUnreachable_ = makeCatalogUnreachable());
    return downloadCard;
}

QWidget* DatasetSetupView::makeCatalogOffer()
{
    auto* offer = new QWidget(this);
    offer->setObjectName(QStringLiteral("catalogOffer"));
    auto* layout = column(offer, 14);
    auto* title = row(9);
    title->addWidget(symbol("arrow.down.circle.fill", TextStyle::title2, Brand::accent(), offer));
    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(
        entryName_ = ViewText::line({}, styled(TextStyle::headline), Foreground::primary, offer));
    names->addWidget(
        entryCounts_ = ViewText::line({}, styled(TextStyle::caption), Foreground::secondary, offer));
    title->addLayout(names, 1);
    layout->addLayout(title);
    layout->addWidget(
        wrapped(QStringLiteral("Ogni struttura è una mesh a sé, selezionabile e isolabile, con "
                               "identificativo FMA e nome italiano, latino e inglese. Scheletro, "
                               "muscoli, vasi, nervi, visceri."),
            TextStyle::callout, Foreground::secondary, offer));
    auto* facts = new FitSwitcher(offer);
    facts->setObjectName(QStringLiteral("facts"));
    facts->addAlternative(makeFacts(true, wideFacts_));
    facts->addAlternative(makeFacts(false, narrowFacts_));
    layout->addWidget(facts);
    downloadButton_ = new QPushButton(offer);
    downloadButton_->setIcon(IconRegistry::shared().icon("arrow.down.circle", Qt::white));
    downloadButton_->setMinimumHeight(30);
    applyGlassButtonStyle(*downloadButton_, true);
    layout->addWidget(downloadButton_);
    entryAttribution_ = wrapped({}, TextStyle::caption2, Foreground::tertiary, offer);
    layout->addWidget(entryAttribution_);
    connect(downloadButton_, &QPushButton::clicked, this, [this] {
        if (model_.catalog() && !model_.catalog()->datasets.empty())
            model_.downloadDataset(model_.catalog()->datasets.front());
    });
    return offer;
}

QWidget* DatasetSetupView::makeFacts(bool horizontal, Facts& facts)
{
    auto* box = new QWidget(this);
    auto* layout = new QBoxLayout(horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(horizontal ? 18 : 9);
    for (const char* title : {"DOWNLOAD", "SU DISCO", "LICENZA"}) {
        auto* fact = new QWidget(box);
        auto* lines = column(fact, 2);
        lines->addWidget(ViewText::wrapped(
            QString::fromUtf8(title), ViewText::fixed(9, QFont::DemiBold, 0.6), Foreground::tertiary, fact));
        auto* value = new QLabel(fact);
        value->setTextFormat(Qt::PlainText);
        QFont font = styled(TextStyle::callout);
        font.setFamily(Theme::monoDigits().family());
        value->setFont(font);
        lines->addWidget(value);
        layout->addWidget(fact, 0, horizontal ? Qt::AlignVCenter : Qt::AlignLeft);
        facts.items.push_back({value});
    }
    if (horizontal)
        layout->addStretch(1);
    return box;
}

QWidget* DatasetSetupView::makeCatalogLoading()
{
    auto* loading = new QWidget(this);
    loading->setObjectName(QStringLiteral("catalogLoading"));
    auto* layout = new QHBoxLayout(loading);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* busy = new QProgressBar(loading);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setFixedSize(60, 6);
    layout->addWidget(busy);
    layout->addWidget(ViewText::line(QStringLiteral("Lettura del catalogo…"), styled(TextStyle::callout),
                          Foreground::secondary, loading),
        1);
    return loading;
}

QWidget* DatasetSetupView::makeCatalogUnreachable()
{
    auto* notice = new QWidget(this);
    notice->setObjectName(QStringLiteral("catalogUnreachable"));
    auto* layout = new QHBoxLayout(notice);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(9);
    layout->addWidget(symbol("wifi.slash", TextStyle::title3, secondary(*notice), notice));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(ViewText::wrapped(QStringLiteral("Catalogo non raggiungibile"),
        styled(TextStyle::headline), Foreground::primary, notice));
    texts->addWidget(catalogProblem_ = wrapped({}, TextStyle::caption, Foreground::secondary, notice));
    layout->addLayout(texts, 1);
    auto* retry = new QPushButton(QStringLiteral("Riprova"), notice);
    layout->addWidget(retry);
    connect(retry, &QPushButton::clicked, this, [this] { model_.refreshCatalog(); });
    return notice;
}

QWidget* DatasetSetupView::makeInstalledList()
{
    auto* list = new QWidget(this);
    list->setObjectName(QStringLiteral("installedList"));
    auto* layout = column(list, 8);
    layout->addWidget(new SectionHeader(QStringLiteral("DATASET INSTALLATI"), list));
    installedRows_ = new QVBoxLayout;
    installedRows_->setSpacing(8);
    layout->addLayout(installedRows_);
    layout->addWidget(unreadableNotice_ = wrapped({}, TextStyle::caption, Foreground::secondary, list));
    unreadableNotice_->setObjectName(QStringLiteral("unreadableDatasets"));
    return list;
}

QWidget* DatasetSetupView::makeManualImport()
{
    auto* group = new QWidget(this);
    group->setObjectName(QStringLiteral("manualImport"));
    auto* layout = column(group, 0);
    // A disclosure control: the triangle leads, before the symbol and the title.
    manualImportToggle_ = new RowButton(6, group);
    manualImportToggle_->setObjectName(QStringLiteral("manualImportToggle"));
    manualImportToggle_->setText(manualImportTitle); // read by assistive tools; the row draws it
    manualImportToggle_->setCheckable(true);
    manualImportToggle_->setFocusPolicy(Qt::TabFocus);
    manualImportToggle_->row().setContentsMargins(2, 3, 6, 3);
    manualImportTriangle_ = new QLabel(group);
    manualImportTriangle_->setFont(styled(TextStyle::callout));
    Theme::setForeground(*manualImportTriangle_, Foreground::primary);
    // Open or closed, the symbol and the title stay where they are.
    const QFontMetrics metrics(manualImportTriangle_->font());
    manualImportTriangle_->setFixedWidth(std::max(
        metrics.horizontalAdvance(QStringLiteral("▸")), metrics.horizontalAdvance(QStringLiteral("▾"))));
    manualImportToggle_->addToRow(manualImportTriangle_);
    manualImportToggle_->addToRow(
        symbol("folder", TextStyle::callout, Theme::foreground(palette(), Foreground::primary), group));
    manualImportToggle_->addToRow(
        ViewText::line(manualImportTitle, styled(TextStyle::callout), Foreground::primary, group));
    layout->addWidget(manualImportToggle_, 0, Qt::AlignLeft);
    manualImportContent_ = new QWidget(group);
    auto* cards = column(manualImportContent_, 18);
    cards->setContentsMargins(0, 12, 0, 0);
    cards->addWidget(makeBodyParts3DCard());
    cards->addWidget(makeGenericCard());
    layout->addWidget(manualImportContent_);
    connect(manualImportToggle_, &RowButton::toggled, this, &DatasetSetupView::setManualImportShown);
    setManualImportShown(false);
    return group;
}

void DatasetSetupView::setManualImportShown(bool shown)
{
    showManualImport_ = shown;
    manualImportToggle_->setChecked(shown);
    manualImportTriangle_->setText(shown ? QStringLiteral("▾") : QStringLiteral("▸"));
    manualImportContent_->setVisible(shown);
}

QWidget* DatasetSetupView::makeBodyParts3DCard()
{
    auto* bodyParts = card(FilledBox::textTinted(0.12), 12, this);
    bodyParts->setObjectName(QStringLiteral("bodyParts3DCard"));
    auto* layout = static_cast<QVBoxLayout*>(bodyParts->layout());
    auto* title = row(8);
    title->addWidget(symbol("shippingbox", TextStyle::title3, palette().color(QPalette::Text), bodyParts));
    title->addWidget(ViewText::wrapped(QStringLiteral("BodyParts3D 4.0 — consigliato"),
                         styled(TextStyle::headline), Foreground::primary, bodyParts),
        1);
    layout->addLayout(title);
    layout->addWidget(
        wrapped(QStringLiteral("2.234 mesh anatomiche separate con identificativi FMA, pubblicate "
                               "dal Database Center for Life Science (Giappone) con licenza CC BY "
                               "4.0: ridistribuibili con attribuzione."),
            TextStyle::callout, Foreground::secondary, bodyParts));

    auto* steps = new FilledBox(FilledBox::textTinted(0.08), 10, bodyParts);
    auto* stepLines = column(steps, 5, 12);
    const auto step = [steps](const QString& text) {
        return wrapped(text, TextStyle::callout, Foreground::primary, steps);
    };
    stepLines->addWidget(step(QStringLiteral("1. Scarica questi file dalla pagina ufficiale:")));
    stepLines->addWidget(ViewText::wrapped(
        QStringLiteral(
            "isa_BP3D_4.0_obj_99.zip · isa_parts_list_e.txt · isa_inclusion_relation_list.txt · "
            "isa_element_parts.txt · partof_parts_list_e.txt · partof_inclusion_relation_list.txt · "
            "partof_element_parts.txt"),
        [] {
            QFont font = Theme::mono(TextStyle::callout);
            font.setPixelSize(11);
            return font;
        }(),
        Foreground::secondary, steps));
    stepLines->addWidget(step(QStringLiteral("2. Estrai l'archivio e tieni tutto nella stessa cartella.")));
    stepLines->addWidget(step(QStringLiteral("3. Scegli quella cartella qui sotto.")));
    layout->addWidget(steps);

    auto* buttons = row(10);
    auto* link = new QPushButton(IconRegistry::shared().icon("arrow.up.right.square"),
        QStringLiteral("Apri la pagina del dataset"), bodyParts);
    applyGlassButtonStyle(*link, false);
    auto* choose = new QPushButton(IconRegistry::shared().icon("square.and.arrow.down", Qt::white),
        QStringLiteral("Scegli la cartella e importa"), bodyParts);
    applyGlassButtonStyle(*choose, true);
    buttons->addWidget(link);
    buttons->addWidget(choose);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(link, &QPushButton::clicked, this,
        [] { QDesktopServices::openUrl(QUrl(fromUtf8(BodyParts3DImporter::sourceURL))); });
    connect(choose, &QPushButton::clicked, this, &DatasetSetupView::chooseBodyParts3DFolder);
    return bodyParts;
}

QWidget* DatasetSetupView::makeGenericCard()
{
    auto* generic = card(FilledBox::textTinted(0.12), 12, this);
    generic->setObjectName(QStringLiteral("genericCard"));
    auto* layout = static_cast<QVBoxLayout*>(generic->layout());
    auto* title = row(8);
    title->addWidget(symbol("cube", TextStyle::title3, palette().color(QPalette::Text), generic));
    title->addWidget(ViewText::wrapped(QStringLiteral("Altro dataset (glTF, GLB, USD, USDZ, STL, PLY, OBJ)"),
                         styled(TextStyle::headline), Foreground::primary, generic),
        1);
    layout->addLayout(title);
    layout->addWidget(
        wrapped(QStringLiteral("Ogni oggetto nominato del file diventa una struttura selezionabile. "
                               "Provenienza e licenza vengono registrate nel dataset importato."),
            TextStyle::callout, Foreground::secondary, generic));
    openGenericForm_ = new QPushButton(QStringLiteral("Importa un altro dataset…"), generic);
    layout->addWidget(openGenericForm_, 0, Qt::AlignLeft);
    layout->addWidget(genericForm_ = makeGenericForm());
    genericForm_->setVisible(false);
    connect(openGenericForm_, &QPushButton::clicked, this, [this] {
        showGenericImport_ = true;
        openGenericForm_->setVisible(false);
        genericForm_->setVisible(true);
    });
    return generic;
}

QWidget* DatasetSetupView::makeGenericForm()
{
    auto* form = new QWidget(this);
    form->setObjectName(QStringLiteral("genericForm"));
    auto* layout = column(form, 8);
    const auto field = [form, layout, this](const QString& placeholder) {
        auto* edit = new QLineEdit(form);
        edit->setPlaceholderText(placeholder);
        layout->addWidget(edit);
        connect(edit, &QLineEdit::textChanged, this, &DatasetSetupView::refreshImportButton);
        return edit;
    };
    genericName_ = field(QStringLiteral("Nome del dataset"));
    genericLicense_ = field(QStringLiteral("Licenza (es. CC BY 4.0)"));
    genericAttribution_ = field(QStringLiteral("Testo di attribuzione richiesto dalla licenza"));
    genericSource_ = field(QStringLiteral("Indirizzo della fonte"));
    auto* buttons = row(8);
    auto* choose = new QPushButton(QStringLiteral("Scegli file o cartella…"), form);
    buttons->addWidget(choose);
    buttons->addWidget(
        genericInputName_ = ViewText::line({}, styled(TextStyle::caption), Foreground::secondary, form), 1);
    importButton_ = new QPushButton(QStringLiteral("Importa"), form);
    applyGlassButtonStyle(*importButton_, true);
    buttons->addWidget(importButton_);
    layout->addLayout(buttons);
    connect(choose, &QPushButton::clicked, this, &DatasetSetupView::chooseGenericInput);
    connect(importButton_, &QPushButton::clicked, this, &DatasetSetupView::importGeneric);
    refreshImportButton();
    return form;
}

QWidget* DatasetSetupView::makeErrorBox(WrappingLabel*& message)
{
    auto* box = new FilledBox(FilledBox::tinted(QColor(255, 149, 0), 0.12), 10, this);
    box->setObjectName(QStringLiteral("errorBox"));
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    layout->addWidget(symbol("exclamationmark.triangle.fill", TextStyle::callout, QColor(255, 149, 0), box),
        0, Qt::AlignTop);
    layout->addWidget(message = wrapped({}, TextStyle::callout, Foreground::primary, box), 1);
    return box;
}

void DatasetSetupView::modelChanged(AppModel::Field field)
{
    switch (field) {
    case AppModel::Field::phase:
        refreshImportProgress();
        refreshBlocks();
        break;
    case AppModel::Field::catalog:
    case AppModel::Field::isLoadingCatalog:
    case AppModel::Field::catalogError:
        refreshCatalog();
        break;
    case AppModel::Field::downloadStage:
        refreshDownloadProgress();
        refreshBlocks();
        break;
    case AppModel::Field::installedDatasets:
        refreshInstalled();
        break;
    default:
        break;
    }
}

void DatasetSetupView::refreshBlocks()
{
    const bool importing = std::holds_alternative<AppModel::Importing>(model_.phase());
    const bool downloading = !importing && model_.downloadStage().has_value();
    importBlock_->setVisible(importing);
    downloadBlock_->setVisible(downloading);
    normalBlock_->setVisible(!importing && !downloading);
    const auto* failed = std::get_if<AppModel::Failed>(&model_.phase());
    errorBox_->setVisible(failed != nullptr);
    errorMessage_->setFullText(failed ? fromUtf8(failed->message) : QString());
}

void DatasetSetupView::refreshImportProgress()
{
    if (const auto* importing = std::get_if<AppModel::Importing>(&model_.phase())) {
        importBar_->setValue(barValue(importing->fraction));
        importMessage_->setFullText(fromUtf8(importing->message));
    }
}

void DatasetSetupView::refreshDownloadProgress()
{
    const auto& stage = model_.downloadStage();
    if (!stage)
        return;
    const bool failed = stage->kind == DatasetDownload::Stage::Kind::failed;
    downloadFailed_->setVisible(failed);
    downloadRunning_->setVisible(!failed);
    if (failed) {
        downloadError_->setFullText(fromUtf8(stage->message));
        return;
    }
    stageTitle_->setFullText(stageTitle(stage->kind));
    stageBar_->setValue(barValue(stage->fraction()));
    stageDetail_->setFullText(stageDetail(*stage));
}

void DatasetSetupView::refreshCatalog()
{
    const auto& catalog = model_.catalog();
    const bool offers = catalog && !catalog->datasets.empty();
    catalogOffer_->setVisible(offers);
    catalogLoading_->setVisible(!offers && model_.isLoadingCatalog());
    catalogUnreachable_->setVisible(!offers && !model_.isLoadingCatalog());
    catalogProblem_->setFullText(model_.catalogError()
            ? fromUtf8(*model_.catalogError())
            : QStringLiteral("Controlla la connessione, oppure importa un dataset da file."));
    if (!offers)
        return;
    const auto& entry = catalog->datasets.front();
    entryName_->setFullText(fromUtf8(entry.displayName));
    entryCounts_->setFullText(DisplayText::count(entry.structureCount)
        + QStringLiteral(" strutture separate · ") + DisplayText::count(entry.triangleCount)
        + QStringLiteral(" triangoli"));
    const QString values[]
        = {byteSize(entry.archiveBytes), byteSize(entry.installedBytes), fromUtf8(entry.license)};
    for (auto* facts : {&wideFacts_, &narrowFacts_})
        for (std::size_t i = 0; i < facts->items.size(); ++i)
            facts->items[i].value->setText(values[i]);
    downloadButton_->setText(
        QStringLiteral("Scarica l'atlante (") + byteSize(entry.archiveBytes) + QStringLiteral(")"));
    entryAttribution_->setFullText(fromUtf8(entry.attribution));
}

void DatasetSetupView::refreshInstalled()
{
    // A row's "Apri" may be what changed the list: rows go once their click is over.
    while (auto* item = installedRows_->takeAt(0)) {
        if (auto* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (const auto& manifest : model_.installedDatasets()) {
        auto* entry = new FilledBox(FilledBox::textTinted(0.07), 9, installedList_);
        entry->setObjectName(QStringLiteral("installedRow"));
        auto* layout = new QHBoxLayout(entry);
        layout->setContentsMargins(10, 10, 10, 10);
        layout->setSpacing(10);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        texts->addWidget(ViewText::line(
            fromUtf8(manifest.displayName), styled(TextStyle::callout), Foreground::primary, entry));
        texts->addWidget(ViewText::line(QString::number(manifest.structureCount)
                + QStringLiteral(" strutture · ") + fromUtf8(manifest.license),
            styled(TextStyle::caption), Foreground::secondary, entry));
        layout->addLayout(texts, 1);
        auto* open = new QPushButton(QStringLiteral("Apri"), entry);
        layout->addWidget(open);
        connect(open, &QPushButton::clicked, this, [this, id = manifest.id] { model_.load(id); });
        installedRows_->addWidget(entry);
    }
    const auto& notice = model_.unreadableDatasetsNotice();
    unreadableNotice_->setText(notice ? fromUtf8(*notice) : QString());
    unreadableNotice_->setVisible(notice.has_value());
    installedList_->setVisible(!model_.installedDatasets().empty() || notice.has_value());
}

void DatasetSetupView::refreshImportButton()
{
    if (!importButton_)
        return;
    const std::string name = genericName_->text().toStdString();
    const bool filled = genericInput_ && !name.empty() && !genericLicense_->text().isEmpty()
        && !genericAttribution_->text().isEmpty();
    const bool usableName = name.empty() || AppModel::genericDatasetID(name).has_value();
    importButton_->setEnabled(filled && usableName);
    importButton_->setToolTip(
        usableName ? QString() : QStringLiteral("Nome non utilizzabile come cartella del dataset."));
}

void DatasetSetupView::retryDownload()
{
    model_.cancelDownload();
    if (model_.catalog() && !model_.catalog()->datasets.empty())
        model_.downloadDataset(model_.catalog()->datasets.front());
}

void DatasetSetupView::chooseBodyParts3DFolder()
{
    if (auto folder = pickers_.folder(this))
        model_.importBodyParts3D(*folder);
}

void DatasetSetupView::chooseGenericInput()
{
    auto input = pickers_.fileOrFolder(this);
    if (!input)
        return;
    genericInput_ = std::move(input);
    genericInputName_->setFullText(
        QFile::decodeName(QByteArray::fromStdString(genericInput_->filename().string())));
    refreshImportButton();
}

void DatasetSetupView::importGeneric()
{
    if (!genericInput_ || !importButton_->isEnabled())
        return;
    model_.importGeneric(*genericInput_, genericName_->text().toStdString(),
        genericLicense_->text().toStdString(), genericAttribution_->text().toStdString(),
        genericSource_->text().toStdString());
}

} // namespace morvena
