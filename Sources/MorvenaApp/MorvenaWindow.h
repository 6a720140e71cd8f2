#pragma once

#include <QMainWindow>

namespace morvena {

class AnatomyCommands;
class ContentView;
class SharedGLContext;

// The viewer's one window: the window root in the middle, the menus above, the title
// from the model. Closing it, by its button, "Esci" or the application quitting,
// remembers the view for the next run, once.
class MorvenaWindow : public QMainWindow {
    Q_OBJECT

public:
    // The context (none without OpenGL) must outlive the window.
    explicit MorvenaWindow(SharedGLContext* context, QWidget* parent = nullptr);

    ContentView& content() const { return *content_; }
    AnatomyCommands& commands() const { return *commands_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void persistOnce();

    ContentView* content_; // owned by the window, like the commands
    AnatomyCommands* commands_;
    bool persisted_ = false;
};

} // namespace morvena
