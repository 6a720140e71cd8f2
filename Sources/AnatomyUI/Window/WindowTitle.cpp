#include "AnatomyUI/Window/WindowTitle.h"

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Model/ShownText.h"

namespace morvena::WindowTitle {

namespace {

// Names and identifiers from imported files may run to thousands of characters; a
// title bar shows a few dozen.
constexpr std::size_t longestOutsideText = 80;

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A text that comes from the dataset, cut after 80 characters, and after as many code
// points as a name in the window, with "…".
QString cut(std::string_view text)
{
    return fromUtf8(ShownText::cut(text, longestOutsideText));
}

QString readySubtitle(const AppModel& model)
{
    if (const auto* first = model.primary()) {
        const QString system = fromUtf8(italianName(first->system));
        const auto id = ShownText::id(first->conceptID);
        return id.empty() ? system : system + " · " + cut(id);
    }
    if (const auto& manifest = model.manifest())
        return QString::number(manifest->structureCount) + " strutture · " + cut(manifest->displayName);
    return QString();
}

} // namespace

QString title(const AppModel& model)
{
    const auto* first = model.primary();
    return first ? cut(first->displayName()) : QString("Morvena");
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
