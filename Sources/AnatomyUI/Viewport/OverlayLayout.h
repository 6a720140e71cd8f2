#pragma once

#include <QLayout>

#include <memory>
#include <vector>

namespace morvena {

// Places the viewport's floating panels: the viewport and the full-size overlays over
// the whole rectangle, the other panels at their ideal sizes in the corners and on the
// leading edge, 16 pixels in. The tool strip, at most 560 wide, is what gives way when
// the bottom row is too narrow, down to its minimum; a gap of at least 12 stays between
// it and the chips.
class OverlayLayout : public QLayout {
    Q_OBJECT

public:
    enum class Place { fill, free, topLeading, topTrailing, bottomLeading, bottomTrailing, leadingCentre };

    static constexpr int inset = 16;
    static constexpr int gap = 12;
    static constexpr int toolStripMaximumWidth = 560;

    explicit OverlayLayout(QWidget* parent = nullptr);
    ~OverlayLayout() override;

    // A widget is placed only while it is shown; one placed `free` positions itself.
    void addWidget(QWidget* widget, Place place);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Entry {
        std::unique_ptr<QLayoutItem> item;
        Place place;
    };
    QLayoutItem* shown(Place place) const;
    void placeBottomRow(const QRect& inner);

    std::vector<Entry> entries_;
};

} // namespace morvena
