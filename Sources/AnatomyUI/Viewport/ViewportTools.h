#pragma once

#include <QWidget>

#include <functional>
#include <string_view>
#include <utility>
#include <vector>

class QAction;
class QMenu;

namespace morvena {

class AppModel;
class CapsuleButton;

// The tool strip at the bottom right of the viewport: view commands, selection tools,
// measuring, hover names, image export, the background switch and the options menu.
// Narrower than its buttons, it shows the leading tools that fit whole and puts the
// others in the menu of an overflow button beside the options button, which always shows.
class ViewportTools : public QWidget {
    Q_OBJECT

public:
    enum class Tool { reset, frameAll, focus, isolate, ghost, measure, labels, exportImage, background };

    // The layer control's flag belongs to the container: read and set through these.
    ViewportTools(AppModel& model, std::function<bool()> depthControlShown,
        std::function<void(bool)> setDepthControlShown, QWidget* parent = nullptr);

    // Icons, active looks and help texts from the model's flags.
    void refresh();
    CapsuleButton& button(Tool tool) const;
    CapsuleButton& optionsButton() const { return *options_; }
    QMenu& optionsMenu() const { return *menu_; }
    CapsuleButton& overflowButton() const { return *overflow_; }
    // Filled with the tools the strip hides each time it opens.
    QMenu& overflowMenu() const { return *overflowMenu_; }

    // The whole row, or, as the minimum, the overflow and options buttons alone.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void addTool(Tool tool, std::function<void()> action);
    QWidget* addSeparator();
    // A button of the row that opens its menu, which `refresh` fills each time it opens.
    CapsuleButton* addMenuButton(int width, std::string_view symbol, const QString& help, QMenu*& menu,
        void (ViewportTools::*refresh)());
    void makeOverflow();
    void makeOptions();
    void refreshMenu();
    void refreshOverflowMenu();
    // The row's width with the first `shownTools` tools and the overflow button or not.
    int rowWidth(std::size_t shownTools, bool overflow) const;
    // Shows the tools that fit in the strip's width and puts the row at its trailing edge.
    void fit();
    void switchMeasuring();
    void switchHoverNames();
    void switchBackground();

    AppModel& model_;
    std::function<bool()> depthControlShown_;
    std::function<void(bool)> setDepthControlShown_;
    QWidget* row_ = nullptr; // the widgets are owned by the strip
    std::vector<CapsuleButton*> tools_;
    // The separator before a group of tools, with the group's first tool; it shows with it.
    std::vector<std::pair<QWidget*, Tool>> groupSeparators_;
    QWidget* optionsSeparator_ = nullptr;
    CapsuleButton* overflow_ = nullptr;
    QMenu* overflowMenu_ = nullptr;
    CapsuleButton* options_ = nullptr;
    QMenu* menu_ = nullptr;
};

} // namespace morvena
