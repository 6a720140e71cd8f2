#include "AnatomyUI/Setup/BodyParts3DCard.h"

#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Layout/FitSwitcher.h"
#include "AnatomyUI/Look/DisplayText.h"
#include "AnatomyUI/Look/GlassButtonStyle.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Setup/SetupLook.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

namespace morvena {

using Theme::Foreground;
using Theme::TextStyle;
using ViewText::wrapped;

BodyParts3DCard::BodyParts3DCard(AppModel& model, FolderPicker pickFolder, QWidget* parent)
    : SetupCard(FilledBox::textTinted(0.12), 12, parent)
    , model_(model)
    , pickFolder_(std::move(pickFolder))
{
    setObjectName(QStringLiteral("bodyParts3DCard"));
    addHeading("shippingbox", QStringLiteral("BodyParts3D 4.0 — consigliato"),
        QStringLiteral("2.234 mesh anatomiche separate con identificativi FMA, pubblicate dal Database "
                       "Center for Life Science (Giappone) con licenza CC BY 4.0: ridistribuibili con "
                       "attribuzione."));
    auto& layout = content();
    layout.addWidget(makeSteps());

    // Side by side while they fit the column, else one above the other.
    auto* buttons = new FitSwitcher(this);
    buttons->setObjectName(QStringLiteral("bodyParts3DButtons"));
    buttons->addAlternative(makeButtons(true));
    buttons->addAlternative(makeButtons(false));
    layout.addWidget(buttons);
}

QWidget* BodyParts3DCard::makeSteps()
{
    auto* steps = new FilledBox(FilledBox::textTinted(0.08), 10, this);
    auto* stepLines = ViewText::column(steps, 5, {12, 12, 12, 12});
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
    return steps;
}

QWidget* BodyParts3DCard::makeButtons(bool sideBySide)
{
    auto* box = new QWidget(this);
    auto* layout = new QBoxLayout(sideBySide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* link = new QPushButton(IconRegistry::shared().icon("arrow.up.right.square"),
        QStringLiteral("Apri la pagina del dataset"), box);
    applyGlassButtonStyle(*link, false);
    auto* choose = new QPushButton(IconRegistry::shared().icon("square.and.arrow.down", Qt::white),
        QStringLiteral("Scegli la cartella e importa"), box);
    applyGlassButtonStyle(*choose, true);
    const auto alignment = sideBySide ? Qt::Alignment() : Qt::AlignLeft;
    layout->addWidget(link, 0, alignment);
    layout->addWidget(choose, 0, alignment);
    if (sideBySide)
        layout->addStretch(1);
    connect(link, &QPushButton::clicked, this,
        [] { QDesktopServices::openUrl(QUrl(DisplayText::fromUtf8(BodyParts3DImporter::sourceURL))); });
    connect(choose, &QPushButton::clicked, this, &BodyParts3DCard::chooseFolder);
    return box;
}

void BodyParts3DCard::chooseFolder()
{
    if (auto folder = pickFolder_(this))
        model_.importBodyParts3D(*folder);
}

} // namespace morvena
