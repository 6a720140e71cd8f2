#pragma once

#include <QByteArray>
#include <QColor>
#include <QIcon>
#include <QPixmap>

#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class QPainter;
class QRectF;

namespace morvena {

// The symbols the views show, by the names the views use ("eye.slash", "figure.stand"):
// 16 × 16 SVGs painted in currentColor, from the desktop's bootstrap-icons where it has
// the symbol or a near one, else from our own Icons resources. Painting substitutes
// the colour asked for, so one file serves every tint.
class IconRegistry {
public:
    static IconRegistry& shared();
    // Every name the registry knows.
    static std::span<const std::string_view> names();

    // The file a name resolves to; none for an unknown name or a missing file.
    std::optional<std::filesystem::path> file(std::string_view name) const;
    // The SVG text; empty when file() has none.
    QByteArray source(std::string_view name) const;

    // An icon at any size: the colour (the palette's text colour when invalid) for
    // the normal and active modes, the same at a quarter strength when disabled and
    // the highlighted text colour when selected. Null for an unknown name.
    QIcon icon(std::string_view name, const QColor& color = QColor()) const;
    QPixmap pixmap(std::string_view name, int size, const QColor& color, qreal devicePixelRatio = 1) const;
    void paint(QPainter& painter, const QRectF& rect, std::string_view name, const QColor& color) const;

private:
    IconRegistry() = default;

    mutable std::map<std::string, QByteArray, std::less<>> sources_;
};

} // namespace morvena
