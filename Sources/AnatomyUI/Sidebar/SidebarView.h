#pragma once

#include "AnatomyUI/Model/AppModel.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>
#include <span>
#include <string_view>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QListView;
class QToolButton;
class QVariantAnimation;

namespace morvena {

class ElidedLabel;
class PresetTile;
class SavedViewsSection;
class SearchHitListModel;

// The left column of the window while a dataset is ready: the search field, the
// preset tiles, then either the search results or five sections of which at most
// one is open, and the loaded dataset's name at the foot. It refreshes only what
// each changed model value touches; its own state (the open section, the name typed
// for a new view) lives as long as the widget.
class SidebarView : public QWidget {
    Q_OBJECT

public:
    enum class Section { systems, tree, layers, bookmarks, views };

    static std::span<const Section> allSections();
    static std::string_view rawValue(Section section);
    // Exactly one of the five raw values; any other text gives none.
    static std::optional<Section> section(std::string_view rawValue);
    static QString title(Section section);
    static std::string_view symbol(Section section);

    explicit SidebarView(AppModel& model, QWidget* parent = nullptr);
    ~SidebarView() override;

    std::optional<Section> expandedSection() const { return expandedSection_; }
    // What a click on the section's header does: closes it when it is open, else
    // opens it and closes the one open before.
    void toggleSection(Section section);
    QString newViewName() const;

    QSize minimumSizeHint() const override;

private:
    struct SectionParts {
        QAbstractButton* header = nullptr;
        QLabel* chevron = nullptr;
        QVariantAnimation* turn = nullptr;
        QWidget* content = nullptr;
    };

    QWidget* makeSearchField();
    QWidget* makePresetRow();
    QWidget* makeScrollRegion();
    QWidget* makeResults(QWidget* parent);
    QAbstractButton* makeHeader(Section section, QWidget* parent);
    QWidget* makeContent(Section section, QWidget* parent);
    // Each section follows the model values it shows itself.
    QWidget* makeSection(Section section, QWidget* parent);
    QWidget* makeFooter();

    void refresh(AppModel::Field field);
    void refreshSearchText();
    void refreshResults();
    void refreshPresets();
    void refreshFooter();
    void refreshSections();
    void paintChevron(Section section, qreal angle);

    QPointer<AppModel> model_;
    std::optional<Section> expandedSection_ = Section::systems;

    QLineEdit* searchField_ = nullptr;
    QToolButton* clearButton_ = nullptr;
    std::vector<PresetTile*> tiles_;
    QWidget* results_ = nullptr;
    QLabel* resultsTitle_ = nullptr;
    QListView* resultsList_ = nullptr;
    SearchHitListModel* resultsModel_ = nullptr;
    std::array<SectionParts, 5> sections_ {};
    QWidget* filler_ = nullptr;

    SavedViewsSection* savedViews_ = nullptr;

    ElidedLabel* footerName_ = nullptr;
    ElidedLabel* footerDetails_ = nullptr;
    QWidget* footer_ = nullptr;
};

} // namespace morvena
