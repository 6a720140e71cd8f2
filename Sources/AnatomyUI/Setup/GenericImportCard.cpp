#include "AnatomyUI/Setup/GenericImportCard.h"

#include "AnatomyUI/Internal/FilledBox.h"
#include "AnatomyUI/Internal/ViewText.h"
#include "AnatomyUI/Look/ElidedLabel.h"
#include "AnatomyUI/Look/GlassButtonStyle.h"
#include "AnatomyUI/Look/WrappingLabel.h"
#include "AnatomyUI/Setup/SetupLook.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvena {

using Theme::Foreground;
using Theme::TextStyle;
using ViewText::styled;

GenericImportCard::GenericImportCard(AppModel& model, InputPicker pickInput, QWidget* parent)
    : SetupCard(FilledBox::textTinted(0.12), 12, parent)
    , model_(model)
    , pickInput_(std::move(pickInput))
{
    setObjectName(QStringLiteral("genericCard"));
    addHeading("cube", QStringLiteral("Altro dataset (glTF, GLB, USD, USDZ, STL, PLY, OBJ)"),
        QStringLiteral("Ogni oggetto nominato del file diventa una struttura selezionabile. Provenienza e "
                       "licenza vengono registrate nel dataset importato."));
    auto& layout = content();
    openForm_ = new QPushButton(QStringLiteral("Importa un altro dataset…"), this);
    layout.addWidget(openForm_, 0, Qt::AlignLeft);
    layout.addWidget(form_ = makeForm());
    form_->setVisible(false);
    connect(openForm_, &QPushButton::clicked, this, [this] {
        openForm_->setVisible(false);
        form_->setVisible(true);
    });
}

QWidget* GenericImportCard::makeForm()
{
    auto* form = new QWidget(this);
    form->setObjectName(QStringLiteral("genericForm"));
    auto* layout = ViewText::column(form, 8);
    const auto field = [form, layout, this](const QString& placeholder) {
        auto* edit = new QLineEdit(form);
        edit->setPlaceholderText(placeholder);
        layout->addWidget(edit);
        connect(edit, &QLineEdit::textChanged, this, &GenericImportCard::refreshImportButton);
        return edit;
    };
    name_ = field(QStringLiteral("Nome del dataset"));
    license_ = field(QStringLiteral("Licenza (es. CC BY 4.0)"));
    attribution_ = field(QStringLiteral("Testo di attribuzione richiesto dalla licenza"));
    source_ = field(QStringLiteral("Indirizzo della fonte"));
    auto* buttons = ViewText::row(8);
    auto* choose = new QPushButton(QStringLiteral("Scegli file o cartella…"), form);
    buttons->addWidget(choose);
    buttons->addWidget(
        inputName_ = ViewText::line({}, styled(TextStyle::caption), Foreground::secondary, form), 1);
    importButton_ = new QPushButton(QStringLiteral("Importa"), form);
    applyGlassButtonStyle(*importButton_, true);
    buttons->addWidget(importButton_);
    layout->addLayout(buttons);
    connect(choose, &QPushButton::clicked, this, &GenericImportCard::chooseInput);
    connect(importButton_, &QPushButton::clicked, this, &GenericImportCard::startImport);
    refreshImportButton();
    return form;
}

void GenericImportCard::refreshImportButton()
{
    if (!importButton_)
        return;
    const std::string name = name_->text().toStdString();
    const bool filled
        = input_ && !name.empty() && !license_->text().isEmpty() && !attribution_->text().isEmpty();
    const bool usableName = name.empty() || AppModel::genericDatasetID(name).has_value();
    importButton_->setEnabled(filled && usableName);
    importButton_->setToolTip(
        usableName ? QString() : QStringLiteral("Nome non utilizzabile come cartella del dataset."));
}

void GenericImportCard::chooseInput()
{
    auto input = pickInput_(this);
    if (!input)
        return;
    input_ = std::move(input);
    inputName_->setFullText(QFile::decodeName(QByteArray::fromStdString(input_->filename().string())));
    refreshImportButton();
}

void GenericImportCard::startImport()
{
    if (!input_ || !importButton_->isEnabled())
        return;
    model_.importGeneric(*input_, name_->text().toStdString(), license_->text().toStdString(),
        attribution_->text().toStdString(), source_->text().toStdString());
}

} // namespace morvena
