#pragma once

#include "AnatomyUI/Model/AppModel.h"
#include "AnatomyUI/Model/AppModelServices.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QSplitter;
class QStackedWidget;

namespace morvena {

class AnatomyMetalView;
class AnatomyRenderer;
class MainToolbar;

// The root of the viewer's window: it owns the window's application model and lays
// out the toolbar row above three columns: the sidebar, the detail area that follows
// the model's phase and the inspector. Its first showing bootstraps the model.
class ContentView : public QWidget {
    Q_OBJECT

public:
    static constexpr int minimumWidth = 1120;
    static constexpr int minimumHeight = 700;

    // The model is made here, with the services, and lives as long as the view.
    explicit ContentView(AppModelServices services, QWidget* parent = nullptr);
    ~ContentView() override;

    AppModel& model() const { return *model_; }
    QPointer<AppModel> modelPointer() const { return model_.get(); }
    // Title and subtitle of the window, and both joined as the window shows them.
    QString title() const;
    QString subtitle() const;
    QString windowTitle() const;

    MainToolbar& toolbar() const { return *toolbar_; }
    bool showInspector() const { return showInspector_; }
    void setShowInspector(bool shown);
    bool showSidebar() const { return showSidebar_; }
    void setShowSidebar(bool shown);
    // The page the detail column shows now.
    QWidget* detailPage() const;
    // The viewport of the ready page; none outside the ready phase.
    AnatomyMetalView* viewport() const { return viewport_; }
    // Whether the appear hook has run: the model bootstrapped.
    bool hasAppeared() const { return appeared_; }

signals:
    void windowTitleChanged(const QString& title);
    void sidebarShownChanged(bool shown);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeSidebarColumn();
    QWidget* makeDetailColumn();
    QWidget* makeInspectorColumn();
    void modelChanged(AppModel::Field field);
    void showPhase();
    // The setup screen, a new one when the column showed another view since.
    QWidget* setupPage();
    void retireSetupPage();
    // Announces the window title when it differs from the one announced last.
    void updateTitle();
    // A new ready page around the model's current renderer, the old one going.
    void rebuildReadyPage();
    void runAppearHook();

    std::unique_ptr<AppModel> model_;
    bool showInspector_ = true;
    bool showSidebar_ = true;
    bool appeared_ = false;
    QString shownTitle_;
    // The widgets below are owned by the view.
    MainToolbar* toolbar_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QStackedWidget* sidebar_ = nullptr;
    QWidget* sidebarPlaceholder_ = nullptr;
    QWidget* sidebarReady_ = nullptr;
    QStackedWidget* detail_ = nullptr;
    QWidget* loadingPage_ = nullptr;
    QWidget* setupPage_ = nullptr;
    QWidget* readyPage_ = nullptr;
    QWidget* inspector_ = nullptr;
    AnatomyMetalView* viewport_ = nullptr;
    // The renderer the ready page was built around; compared, never dereferenced.
    const AnatomyRenderer* readyRenderer_ = nullptr;
};

} // namespace morvena
