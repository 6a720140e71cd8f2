#include "AnatomyUI/Window/WindowTitle.h"

#include "AnatomyCore/Support/UnicodeText.h"
#include "AnatomyUI/Model/AppModel.h"

namespace morvena::WindowTitle {

namespace {

// Names from imported files may run to thousands of characters; a title bar shows a
// few dozen.
constexpr std::size_t longestTitleName = 80;

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString readySubtitle(const AppModel& model)
{
    if (const auto* first = model.primary())
        return fromUtf8(italianName(first->system)) + " · " + fromUtf8(first->conceptID);
    if (const auto& manifest = model.manifest())
        return QString::number(manifest->structureCount) + " strutture · " + fromUtf8(manifest->displayName);
    return QString();
}

} // namespace

QString title(const AppModel& model)
{
    const auto* first = model.primary();
    if (!first)
        return "Morvena";
    const std::string& name = first->displayName();
    if (UnicodeText::characterCount(name) <= longestTitleName)
        return fromUtf8(name);
    return fromUtf8(UnicodeText::leadingCharacters(name, longestTitleName)) + "…";
}

QString subtitle(const AppModel& model)
{
    struct Subtitle {
        const AppModel& model;
        QString operator()(const AppModel::Importing&) const { return "Importazione in corso…"; }
        QString operator()(const AppModel::Failed&) const { return "Errore"; }
        QString operator()(const AppModel::NoDataset&) const { return "Nessun dataset installato"; }
        QString operator()(const AppModel::Loading&) const { return "Caricamento del dataset…"; }
        QString operator()(const AppModel::Ready&) const { return readySubtitle(model); }
    };
    return std::visit(Subtitle {model}, model.phase());
}

QString windowTitle(const AppModel& model)
{
    auto text = title(model);
    auto below = subtitle(model);
    return below.isEmpty() ? text : text + " — " + below;
}

} // namespace morvena::WindowTitle
