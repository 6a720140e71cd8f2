#include "AnatomyUI/Setup/CatalogCard.h"

#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Layout/FitSwitcher.h"
#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/GlassButtonStyle.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Setup/SetupLook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvena {

using DisplayText::byteSize;
using DisplayText::fromUtf8;
using Theme::Foreground;
using Theme::TextStyle;
using ViewText::column;
using ViewText::row;
using ViewText::styled;
using ViewText::wrapped;

CatalogCard::CatalogCard(AppModel& model, QWidget* parent)
    : SetupCard(FilledBox::tinted(Brand::accent(), 0.35), 14, parent)
    , model_(model)
{
    setObjectName(QStringLiteral("downloadCard"));
    content().addWidget(offer_ = makeOffer());
    content().addWidget(loading_ = makeLoading());
    content().addWidget(unreachable_ = makeUnreachable());
    model_.whenChanged(
        {AppModel::Field::catalog, AppModel::Field::isLoadingCatalog, AppModel::Field::catalogError}, this,
        [this] { refresh(); });
    refresh();
}

QWidget* CatalogCard::makeOffer()
{
    auto* offer = new QWidget(this);
    offer->setObjectName(QStringLiteral("catalogOffer"));
    auto* layout = column(offer, 14);
    auto* title = row(9);
    title->addWidget(SetupLook::symbol("arrow.down.circle.fill", TextStyle::title2, Brand::accent(), offer));
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

QWidget* CatalogCard::makeFacts(bool horizontal, Facts& facts)
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
        facts.push_back(value);
    }
    if (horizontal)
        layout->addStretch(1);
    return box;
}

QWidget* CatalogCard::makeLoading()
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

QWidget* CatalogCard::makeUnreachable()
{
    auto* notice = new QWidget(this);
    notice->setObjectName(QStringLiteral("catalogUnreachable"));
    auto* layout = new QHBoxLayout(notice);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(9);
    layout->addWidget(SetupLook::symbol("wifi.slash", TextStyle::title3,
        Theme::foreground(notice->palette(), Foreground::secondary), notice));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(ViewText::wrapped(QStringLiteral("Catalogo non raggiungibile"),
        styled(TextStyle::headline), Foreground::primary, notice));
    texts->addWidget(problem_ = wrapped({}, TextStyle::caption, Foreground::secondary, notice));
    layout->addLayout(texts, 1);
    auto* retry = new QPushButton(QStringLiteral("Riprova"), notice);
    layout->addWidget(retry);
    connect(retry, &QPushButton::clicked, this, [this] { model_.refreshCatalog(); });
    return notice;
}

void CatalogCard::refresh()
{
    const auto& catalog = model_.catalog();
    const bool offers = catalog && !catalog->datasets.empty();
    offer_->setVisible(offers);
    loading_->setVisible(!offers && model_.isLoadingCatalog());
    unreachable_->setVisible(!offers && !model_.isLoadingCatalog());
    problem_->setFullText(model_.catalogError()
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
    for (const auto* facts : {&wideFacts_, &narrowFacts_})
        for (std::size_t i = 0; i < facts->size(); ++i)
            (*facts)[i]->setText(values[i]);
    downloadButton_->setText(
        QStringLiteral("Scarica l'atlante (") + byteSize(entry.archiveBytes) + QStringLiteral(")"));
    entryAttribution_->setFullText(fromUtf8(entry.attribution));
}

} // namespace morvena
