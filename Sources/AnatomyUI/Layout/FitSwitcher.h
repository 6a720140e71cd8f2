#pragma once

#include <QWidget>

#include <vector>

namespace morvena {

// Shows the first of its alternatives whose ideal width fits the width it is given,
// else the last one, and decides again at every resize. The alternatives are its
// children, laid over each other; only the chosen one is visible.
class FitSwitcher : public QWidget {
    Q_OBJECT

public:
    explicit FitSwitcher(QWidget* parent = nullptr);

    // Appends an alternative; the switcher takes it as a child.
    void addAlternative(QWidget* alternative);
    // The alternative shown now; null before the first is added.
    QWidget* current() const { return current_; }
    // The one that would be shown at that width.
    QWidget* alternativeFor(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void choose();

    std::vector<QWidget*> alternatives_; // children of the switcher
    QWidget* current_ = nullptr;
};

} // namespace morvena
