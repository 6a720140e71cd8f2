#pragma once

#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QFont;
class QHBoxLayout;

namespace morvena {

// One choice among a few, as a row of segments in one outline: the chosen segment is
// filled with the accent and its title drawn in the highlighted-text colour, the
// others keep the plain button colour. A click chooses a segment and reports its id.
class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedPicker(const QFont& font, QWidget* parent = nullptr);

    // Appends a segment; the picker owns it.
    QAbstractButton* addSegment(const QString& title, int id);
    // Marks the segment of `id` chosen without reporting it.
    void setChosen(int id);
    int chosen() const;

signals:
    void segmentClicked(int id);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont font_;
    QHBoxLayout* row_ = nullptr;
    QButtonGroup* group_ = nullptr;
};

} // namespace morvena
