#include "AnatomyUI/Look/IconRegistry.h"

#include "AnatomyCore/Storage/ResourceLocator.h"

#include <QApplication>
#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QStandardPaths>
#include <QSvgRenderer>

#include <algorithm>
#include <array>

namespace morvena {

namespace {

struct Symbol {
    std::string_view name;
    // The bootstrap-icons file (without ".svg"); empty for one of our own.
    std::string_view bootstrap;
};

// The symbols of the anatomical systems, the system presets and the views. Where
// bootstrap-icons has no such picture the nearest one stands in; the pictures it
// lacks altogether are ours (Resources/Icons/<name>.svg).
constexpr std::array symbols {
    Symbol {"allergens", ""},
    Symbol {"arrow.counterclockwise", "arrow-counterclockwise"},
    Symbol {"arrow.down.circle", "arrow-down-circle"},
    Symbol {"arrow.down.circle.fill", "arrow-down-circle-fill"},
    Symbol {"arrow.triangle.branch", ""},
    Symbol {"arrow.triangle.merge", ""},
    Symbol {"arrow.turn.down.right", "arrow-return-right"},
    Symbol {"arrow.up.right.square", "arrow-up-right-square"},
    Symbol {"bookmark", "bookmark"},
    Symbol {"bookmark.fill", "bookmark-fill"},
    Symbol {"brain.head.profile", ""},
    Symbol {"camera", "camera"},
    Symbol {"camera.viewfinder", ""},
    Symbol {"chevron.right", "chevron-right"},
    Symbol {"circle.circle", "disc"},
    Symbol {"circle.dashed", ""},
    Symbol {"circle.dotted.circle", "record-circle"},
    Symbol {"circle.dotted.circle.fill", "record-circle-fill"},
    Symbol {"circle.hexagongrid.fill", "hexagon-fill"},
    Symbol {"circle.lefthalf.filled", "circle-half"},
    Symbol {"cube", "box"},
    Symbol {"cube.transparent", ""},
    Symbol {"drop.fill", "droplet-fill"},
    Symbol {"ellipsis", "three-dots"},
    Symbol {"exclamationmark.triangle.fill", "exclamation-triangle-fill"},
    Symbol {"eye.fill", "eye-fill"},
    Symbol {"eye.slash", "eye-slash"},
    Symbol {"figure.arms.open", ""},
    Symbol {"figure.stand", ""},
    Symbol {"folder", "folder"},
    Symbol {"fork.knife", ""},
    Symbol {"hand.raised.fill", ""},
    Symbol {"heart.fill", "heart-fill"},
    Symbol {"info.circle", "info-circle"},
    Symbol {"link", "link"},
    Symbol {"list.bullet.indent", "list-nested"},
    Symbol {"lungs.fill", "lungs-fill"},
    Symbol {"magnifyingglass", "search"},
    Symbol {"moon.fill", "moon-fill"},
    Symbol {"plus", "plus"},
    Symbol {"point.topleft.down.to.point.bottomright.curvepath", "bezier2"},
    Symbol {"questionmark.circle", "question-circle"},
    Symbol {"ruler", "rulers"},
    Symbol {"ruler.fill", "rulers"},
    Symbol {"scope", "bullseye"},
    Symbol {"shippingbox", "box-seam"},
    Symbol {"sidebar.leading", "layout-sidebar"},
    Symbol {"sidebar.trailing", "layout-sidebar-reverse"},
    Symbol {"slider.horizontal.3", "sliders"},
    Symbol {"square.2.layers.3d", ""},
    Symbol {"square.2.layers.3d.bottom.filled", ""},
    Symbol {"square.3.layers.3d", ""},
    Symbol {"square.3.layers.3d.bottom.filled", ""},
    Symbol {"square.3.layers.3d.top.filled", ""},
    Symbol {"square.and.arrow.down", "box-arrow-in-down"},
    Symbol {"square.on.square", ""},
    Symbol {"square.on.square.dashed", ""},
    Symbol {"square.stack.3d.up", "layers"},
    Symbol {"square.stack.3d.up.fill", "layers-fill"},
    Symbol {"sun.max.fill", "sun-fill"},
    Symbol {"tag", "tag"},
    Symbol {"tag.fill", "tag-fill"},
    Symbol {"trash", "trash"},
    Symbol {"viewfinder", "fullscreen"},
    Symbol {"wifi.slash", "wifi-off"},
    Symbol {"xmark", "x-lg"},
    Symbol {"xmark.circle.fill", "x-circle-fill"},
};

constexpr auto symbolNames = [] {
    std::array<std::string_view, symbols.size()> names {};
    for (std::size_t i = 0; i < symbols.size(); ++i)
        names[i] = symbols[i].name;
    return names;
}();

const Symbol* findSymbol(std::string_view name)
{
    auto found = std::find_if(
        symbols.begin(), symbols.end(), [name](const Symbol& symbol) { return symbol.name == name; });
    return found == symbols.end() ? nullptr : &*found;
}

// bootstrap-icons/svg/<file>.svg in the first data folder of the desktop that has it.
std::optional<std::filesystem::path> bootstrapFile(std::string_view file)
{
    const auto relative = QStringLiteral("bootstrap-icons/svg/%1.svg").arg(QLatin1String(file));
    auto found = QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
    if (found.isEmpty())
        return std::nullopt;
    return std::filesystem::path(found.toStdString());
}

std::optional<std::filesystem::path> ownFile(std::string_view name)
{
    auto path = ResourceLocator::resource("AnatomyUI", "Icons/" + std::string(name) + ".svg");
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    return path;
}

QColor textColor()
{
    QColor color = QApplication::palette().color(QPalette::Active, QPalette::Text);
    color.setAlphaF(0.85f);
    return color;
}

// The SVG with every currentColor replaced; the colour's alpha goes to the painter.
void paintSvg(QPainter& painter, const QRectF& rect, const QByteArray& source, const QColor& color)
{
    if (source.isEmpty())
        return;
    QByteArray tinted = source;
    tinted.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(tinted);
    if (!renderer.isValid())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * color.alphaF());
    renderer.render(&painter, rect);
    painter.restore();
}

// One SVG in a colour per icon mode, drawn at whatever size the icon is asked for.
class TintedIconEngine : public QIconEngine {
public:
    TintedIconEngine(QByteArray source, QColor color)
        : source_(std::move(source))
        , color_(color)
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        paintSvg(*painter, rect, source_, colorFor(mode));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            paint(&painter, QRect(QPoint(0, 0), size * scale), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new TintedIconEngine(source_, color_); }
    QString key() const override { return QStringLiteral("morvena-tinted-svg"); }

private:
    QColor colorFor(QIcon::Mode mode) const
    {
        QColor color = color_.isValid() ? color_ : textColor();
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.26f / 0.85f);
        else if (mode == QIcon::Selected)
            color = QApplication::palette().color(QPalette::HighlightedText);
        return color;
    }

    QByteArray source_;
    QColor color_;
};

} // namespace

IconRegistry& IconRegistry::shared()
{
    static IconRegistry registry;
    return registry;
}

std::span<const std::string_view> IconRegistry::names()
{
    return symbolNames;
}

std::optional<std::filesystem::path> IconRegistry::file(std::string_view name) const
{
    const auto* symbol = findSymbol(name);
    if (!symbol)
        return std::nullopt;
    return symbol->bootstrap.empty() ? ownFile(name) : bootstrapFile(symbol->bootstrap);
}

QByteArray IconRegistry::source(std::string_view name) const
{
    if (auto cached = sources_.find(name); cached != sources_.end())
        return cached->second;
    QByteArray bytes;
    if (auto path = file(name)) {
        QFile svg(QString::fromStdString(path->string()));
        if (svg.open(QIODevice::ReadOnly))
            bytes = svg.readAll();
    }
    // Unknown names are not remembered, so that nothing can grow the cache.
    if (findSymbol(name))
        sources_.emplace(std::string(name), bytes);
    return bytes;
}

QIcon IconRegistry::icon(std::string_view name, const QColor& color) const
{
    auto bytes = source(name);
    if (bytes.isEmpty())
        return QIcon();
    return QIcon(new TintedIconEngine(std::move(bytes), color)); // the icon owns its engine
}

QPixmap IconRegistry::pixmap(
    std::string_view name, int size, const QColor& color, qreal devicePixelRatio) const
{
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        paintSvg(
            painter, QRectF(0, 0, size * devicePixelRatio, size * devicePixelRatio), source(name), color);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

void IconRegistry::paint(
    QPainter& painter, const QRectF& rect, std::string_view name, const QColor& color) const
{
    paintSvg(painter, rect, source(name), color);
}

} // namespace morvena
