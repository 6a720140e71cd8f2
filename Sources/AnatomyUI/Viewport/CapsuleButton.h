#pragma once

#include <QToolButton>

#include <string>
#include <string_view>

namespace morvena {

// The small glass buttons floating over the viewport: a capsule of the control
// material, or of the accent colour while active, around a symbol or a short caption.
// They never take the keyboard focus, which stays with the viewport.
class CapsuleButton : public QToolButton {
    Q_OBJECT

public:
    CapsuleButton(QSize size, QWidget* parent = nullptr);

    // The symbol drawn in the middle, 12 pixels high; none shows the caption.
    void setSymbol(std::string_view symbol);
    const std::string& symbol() const { return symbol_; }
    void setActive(bool active);
    bool isActive() const { return active_; }
    // How strong the symbol or caption is drawn while not active.
    void setInactiveOpacity(qreal opacity);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string symbol_;
    bool active_ = false;
    qreal inactiveOpacity_ = 0.85;
};

} // namespace morvena
