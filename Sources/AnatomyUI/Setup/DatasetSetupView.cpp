#include "AnatomyUI/Setup/DatasetSetupView.h"

#include "AnatomyUI/Internal/RowButton.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/Theme.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Setup/BodyParts3DCard.h"
#include "AnatomyUI/Setup/BodyParts3DFolderDialog.h"
#include "AnatomyUI/Setup/CatalogCard.h"
#include "AnatomyUI/Setup/FileOrFolderDialog.h"
#include "AnatomyUI/Setup/GenericImportCard.h"
#include "AnatomyUI/Setup/InstalledList.h"
#include "AnatomyUI/Setup/Internal/DownloadProgressBlock.h"
#include "AnatomyUI/Setup/Internal/ImportProgressBlock.h"
#include "AnatomyUI/Setup/SetupLook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace morvena {

using Theme::Foreground;
using Theme::TextStyle;
using ViewText::column;
using ViewText::styled;

const QString DatasetSetupView::defaultHeaderText
    = QStringLiteral("Atlante anatomico tridimensionale. Scarica l'atlante una volta sola: da quel momento "
                     "l'app funziona completamente offline.");

namespace {

constexpr int contentMaxWidth = 760;
const QString manualImportTitle = QStringLiteral("Importa un dataset da file");

} // namespace

DatasetSetupView::DatasetSetupView(AppModel& model, QString headerText, Pickers pickers, QWidget* parent)
    : QScrollArea(parent)
    , model_(model)
    , pickers_(std::move(pickers))
{
    if (!pickers_.folder)
        pickers_.folder = BodyParts3DFolderDialog::choose;
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
    auto* stack = column(content, 22, {34, 34, 34, 34});

    stack->addWidget(makeHeader(headerText));
    stack->addWidget(importBlock_ = new ImportProgressBlock(model_, this));
    stack->addWidget(downloadBlock_ = new DownloadProgressBlock(model_, this));
    normalBlock_ = new QWidget(content);
    auto* normal = column(normalBlock_, 22);
    normal->addWidget(new CatalogCard(model_, this));
    normal->addWidget(new InstalledList(model_, this));
    normal->addWidget(makeManualImport());
    stack->addWidget(normalBlock_);
    stack->addWidget(errorBox_ = SetupLook::errorBox(errorMessage_, this));
    stack->addStretch(1);
    setWidget(page);

    model_.whenChanged(
        {AppModel::Field::phase, AppModel::Field::downloadStage}, this, [this] { refreshBlocks(); });
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
    auto* explanation = ViewText::wrapped(headerText, TextStyle::title3, Foreground::secondary, header);
    explanation->setObjectName(QStringLiteral("headerText"));
    texts->addWidget(explanation);
    layout->addLayout(texts, 1);
    return header;
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
    manualImportToggle_->addToRow(SetupLook::symbol(
        "folder", TextStyle::callout, Theme::foreground(palette(), Foreground::primary), group));
    manualImportToggle_->addToRow(
        ViewText::line(manualImportTitle, styled(TextStyle::callout), Foreground::primary, group));
    layout->addWidget(manualImportToggle_, 0, Qt::AlignLeft);
    manualImportContent_ = new QWidget(group);
    auto* cards = column(manualImportContent_, 18);
    cards->setContentsMargins(0, 12, 0, 0);
    cards->addWidget(new BodyParts3DCard(model_, pickers_.folder, this));
    cards->addWidget(new GenericImportCard(model_, pickers_.fileOrFolder, this));
    layout->addWidget(manualImportContent_);
    connect(manualImportToggle_, &RowButton::toggled, this, &DatasetSetupView::setManualImportShown);
    setManualImportShown(false);
    return group;
}

void DatasetSetupView::setManualImportShown(bool shown)
{
    manualImportToggle_->setChecked(shown);
    manualImportTriangle_->setText(shown ? QStringLiteral("▾") : QStringLiteral("▸"));
    manualImportContent_->setVisible(shown);
}

void DatasetSetupView::refreshBlocks()
{
    const bool importing = std::holds_alternative<AppModel::Importing>(model_.phase());
    const bool downloading = !importing && model_.downloadStage().has_value();
    importBlock_->setVisible(importing);
    downloadBlock_->setVisible(downloading);
    normalBlock_->setVisible(!importing && !downloading);
    const auto* failed = std::get_if<AppModel::Failed>(&model_.phase());
    const bool appearing = failed && errorBox_->isHidden();
    errorBox_->setVisible(failed != nullptr);
    errorMessage_->setFullText(failed ? DisplayText::fromUtf8(failed->message) : QString());
    // The notice comes below the imports' form, out of sight in a window of common
    // height: it is brought into view once the page has been laid out with it.
    if (appearing)
        QTimer::singleShot(0, this, [this] { ensureWidgetVisible(errorBox_); });
}

} // namespace morvena
