#pragma once

#include "AnatomyCore/Model/AnatomySystem.h"
#include "AnatomyUI/Model/AppModel.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <map>
#include <optional>
#include <span>
#include <string_view>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QListView;
class QToolButton;
class QTreeView;
class QVariantAnimation;
class QVBoxLayout;

namespace morvena {

class ElidedLabel;
class LayersSection;
class PresetTile;
class SavedViewListModel;
class SearchHitListModel;
class SystemRow;
class TaxonomyTreeModel;

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    QWidget* makeSystemsList(QWidget* parent);
    QWidget* makeTreeList(QWidget* parent);
    QWidget* makeLayers(QWidget* parent);
    QWidget* makeBookmarksList(QWidget* parent);
    QWidget* makeSavedViewsList(QWidget* parent);
    QWidget* makeFooter();
    QListView* makeListView(QWidget* parent, const char* name);

    void refresh(AppModel::Field field);
    void refreshSearchText();
    void refreshResults();
    void refreshPresets();
    void refreshFooter();
    void rebuildSystemRows();
    void refreshSystemRows();
    void refreshTreeKind();
    void resetTree();
    void refreshBookmarks();
    void refreshSections();
    void paintChevron(Section section, qreal angle);
    void selectAndFrame(const QString& conceptID);
    void treeClicked(const QModelIndex& index);
    void treeCollapsed(const QModelIndex& index);
    void savedViewClicked(const QModelIndex& index);
    void saveView();

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

    QWidget* systemRowsBox_ = nullptr;
    QVBoxLayout* systemRowsLayout_ = nullptr;
    std::map<AnatomySystem, SystemRow*> systemRows_;

    std::array<QAbstractButton*, 2> treeKinds_ {};
    QLabel* treeEmpty_ = nullptr;
    QTreeView* tree_ = nullptr;
    TaxonomyTreeModel* treeModel_ = nullptr;
    bool collapsingChildren_ = false;

    LayersSection* layers_ = nullptr;

    QLabel* bookmarksEmpty_ = nullptr;
    QListView* bookmarksList_ = nullptr;
    SearchHitListModel* bookmarksModel_ = nullptr;

    QLineEdit* viewName_ = nullptr;
    QListView* savedViewsList_ = nullptr;
    SavedViewListModel* savedViewsModel_ = nullptr;

    QPoint lastReleasePosition_;
    ElidedLabel* footerName_ = nullptr;
    ElidedLabel* footerDetails_ = nullptr;
    QWidget* footer_ = nullptr;
};

} // namespace morvena
