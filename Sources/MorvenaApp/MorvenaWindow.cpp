#include "MorvenaApp/MorvenaWindow.h"

#include "AnatomyUI/Window/AnatomyCommands.h"
#include "AnatomyUI/Window/ContentView.h"
#include "AnatomyUI/Window/ViewerServices.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>

namespace morvena {

namespace {

constexpr QSize preferredSize {1280, 800};

} // namespace

MorvenaWindow::MorvenaWindow(SharedGLContext* context, QWidget* parent)
    : QMainWindow(parent)
    , content_(new ContentView(ViewerServices::make(context), this))
    , commands_(new AnatomyCommands(
          *menuBar(), [this] { close(); }, this))
{
    setWindowTitle(content_->windowTitle());
    setCentralWidget(content_);
    commands_->setModel(content_->modelPointer());
    connect(content_, &ContentView::windowTitleChanged, this, &QMainWindow::setWindowTitle);
    auto* sidebar = commands_->action(AnatomyCommands::Command::sidebar);
    connect(sidebar, &QAction::toggled, content_, &ContentView::setShowSidebar);
    connect(content_, &ContentView::sidebarShownChanged, sidebar, &QAction::setChecked);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &MorvenaWindow::persistOnce);
    resize(preferredSize.expandedTo(minimumSizeHint()));
}

void MorvenaWindow::closeEvent(QCloseEvent* event)
{
    persistOnce();
    QMainWindow::closeEvent(event);
}

void MorvenaWindow::persistOnce()
{
    if (persisted_)
        return;
    persisted_ = true;
    content_->model().persistViewState();
}

} // namespace morvena
