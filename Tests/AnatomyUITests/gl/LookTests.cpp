#include "AnatomyUI/Look/Brand.h"
#include "AnatomyUI/Look/FieldRow.h"
#include "AnatomyUI/Look/GlassButtonStyle.h"
#include "AnatomyUI/Look/IconRegistry.h"
#include "AnatomyUI/Look/SystemChip.h"
#include "AnatomyUI/Look/Theme.h"

#include "TestSandbox.h"
#include "ViewTestSupport.h"

#include <QApplication>
#include <QPainter>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace morvena;

namespace {

QImage transparentImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage markImage(bool shadow, const std::optional<QImage>& icon)
{
    auto image = transparentImage(100);
    QPainter painter(&image);
    Brand::paintMark(painter, QRectF(0, 0, 100, 100), shadow, icon);
    return image;
}

// Pixels close to the colour, among those painted at least half opaque.
int pixelsNear(const QImage& image, QColor color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 128)
                continue;
            auto unpremultiplied = pixel.toRgb();
            if (std::abs(unpremultiplied.red() - color.red()) < 40
                && std::abs(unpremultiplied.green() - color.green()) < 40
                && std::abs(unpremultiplied.blue() - color.blue()) < 40)
                ++count;
        }
    }
    return count;
}

// Every symbol in a grid, for a person to look at.
QImage iconSheet(Theme::Appearance appearance)
{
    const auto names = IconRegistry::names();
    const int columns = 11;
    const int cell = 40;
    const int rows = static_cast<int>((names.size() + columns - 1) / columns);
    QImage sheet(columns * cell, rows * cell, QImage::Format_ARGB32_Premultiplied);
    auto palette = Theme::palette(appearance);
    sheet.fill(palette.color(QPalette::Window));
    QPainter painter(&sheet);
    for (std::size_t i = 0; i < names.size(); ++i) {
        QRectF rect((i % columns) * cell + 8, (i / columns) * cell + 8, 24, 24);
        IconRegistry::shared().paint(
            painter, rect, names[i], Theme::foreground(palette, Theme::Foreground::primary));
    }
    Brand::paintMark(
        painter, QRectF(sheet.width() - cell + 4, sheet.height() - cell + 4, 32, 32), false, std::nullopt);
    return sheet;
}

// A colour drawn over another, as the raster engine blends it.
QColor over(const QColor& top, const QColor& bottom)
{
    const auto blend = [alpha = top.alphaF()](int up, int down) {
        return static_cast<int>(std::lround(up * alpha + down * (1 - alpha)));
    };
    return QColor(
        blend(top.red(), bottom.red()), blend(top.green(), bottom.green()), blend(top.blue(), bottom.blue()));
}

int distance(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// What a glass button shows: its fill and edge halfway down its left side, and the
// ink of its label, the pixel of the label's middle band farthest from the fill.
struct ButtonColours {
    QColor fill, edge, ink;
};

ButtonColours buttonColours(const QImage& image)
{
    const int middle = image.height() / 2;
    const QColor fill = image.pixelColor(4, middle);
    ButtonColours seen {fill, image.pixelColor(0, middle), fill};
    for (int y = middle - 6; y <= middle + 6; ++y)
        for (int x = 16; x < image.width() - 16; ++x)
            if (distance(image.pixelColor(x, y), seen.fill) > distance(seen.ink, seen.fill))
                seen.ink = image.pixelColor(x, y);
    return seen;
}

} // namespace

TEST(BrandMark, theIconClippedToARoundedSquare)
{
    QImage icon(10, 10, QImage::Format_ARGB32);
    icon.fill(QColor(200, 30, 30));
    auto image = markImage(false, icon);
    EXPECT_EQ(image.pixelColor(50, 50), QColor(200, 30, 30));
    EXPECT_EQ(image.pixelColor(1, 1).alpha(), 0); // outside the 22.37 corner radius
    EXPECT_EQ(image.pixelColor(12, 12).alpha(), 255);
    // The shadow darkens below the square's corner only when asked for.
    auto shadowed = transparentImage(120);
    QPainter painter(&shadowed);
    Brand::paintMark(painter, QRectF(10, 10, 100, 100), true, icon);
    painter.end();
    EXPECT_GT(shadowed.pixelColor(60, 111).alpha(), 0);
}

TEST(BrandMark, withoutAnIconTheFigureOnTheAccentGradient)
{
    EXPECT_FALSE(Brand::icon()); // no AppIcon ships
    auto image = markImage(true, std::nullopt);
    EXPECT_EQ(image.pixelColor(1, 1).alpha(), 0);
    auto edge = image.pixelColor(50, 8);
    EXPECT_GT(edge.blue(), edge.red() + 60) << "accent at the top edge";
    EXPECT_GT(pixelsNear(image, Qt::white), 100) << "the standing figure in white";
    auto pixmap = Brand::mark(64, false, 2);
    EXPECT_EQ(pixmap.size(), QSize(128, 128));
}

TEST(IconRegistry, everyNameResolvesAndPaintsInTheColourAskedFor)
{
    for (auto name : IconRegistry::names()) {
        SCOPED_TRACE(std::string(name));
        auto file = IconRegistry::shared().file(name);
        ASSERT_TRUE(file);
        ASSERT_FALSE(IconRegistry::shared().source(name).isEmpty());
        for (QColor color : {QColor(230, 20, 20), QColor(20, 200, 40)}) {
            auto image = IconRegistry::shared().pixmap(name, 32, color).toImage();
            EXPECT_GT(pixelsNear(image, color), 8);
        }
    }
    EXPECT_FALSE(IconRegistry::shared().file("no.such.symbol"));
    EXPECT_TRUE(IconRegistry::shared().icon("no.such.symbol").isNull());
}

TEST(IconRegistry, iconModesDrawTheColourAtTheirStrength)
{
    auto icon = IconRegistry::shared().icon("heart.fill", QColor(230, 20, 20));
    auto strongest = [](const QImage& image) {
        int alpha = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                alpha = std::max(alpha, image.pixelColor(x, y).alpha());
        return alpha;
    };
    auto normal = icon.pixmap(QSize(32, 32), 1.0, QIcon::Normal).toImage();
    auto disabled = icon.pixmap(QSize(32, 32), 1.0, QIcon::Disabled).toImage();
    EXPECT_EQ(strongest(normal), 255);
    EXPECT_NEAR(strongest(disabled), 255 * 0.26 / 0.85, 3);
    EXPECT_GT(pixelsNear(normal, QColor(230, 20, 20)), 50);
}

TEST(IconRegistry, sheetsForReview)
{
    for (auto [appearance, name] : {std::pair {Theme::Appearance::light, "icone-chiaro.png"},
             std::pair {Theme::Appearance::dark, "icone-scuro.png"}})
        EXPECT_TRUE(iconSheet(appearance).save(QString::fromStdString(test::reviewArtifact(name).string())));
}

TEST(SharedRows, emptyValuesDrawNothingAndCountsShowEvenZero)
{
    QWidget card;
    auto* empty = new FieldRow("Italiano", QString(), FieldSource::curated, false, &card);
    auto* none = new FieldRow("Italiano", std::nullopt, std::nullopt, false, &card);
    auto* plain = new FieldRow("Inglese", QString("Femur"), std::nullopt, false, &card);
    card.show();
    EXPECT_FALSE(empty->isVisible());
    EXPECT_FALSE(none->isVisible());
    EXPECT_EQ(empty->labelText(), "");
    EXPECT_TRUE(plain->isVisible());
    EXPECT_EQ(plain->labelText(), "INGLESE");
    EXPECT_EQ(plain->badgeText(), "");
    EXPECT_EQ(plain->valueText(), "Femur");
    EXPECT_EQ(FieldRow("Latino", QString("Femur"), FieldSource::curated, true).badgeText(), "scheda");
    EXPECT_EQ(FieldRow("Latino", QString("Femur"), FieldSource::dataset, true).badgeText(), "dataset");

    EXPECT_EQ(SystemChip(AnatomySystem::skeletal, std::nullopt).countText(), "");
    EXPECT_EQ(SystemChip(AnatomySystem::skeletal, 0).countText(), "0");
    EXPECT_EQ(SystemChip(AnatomySystem::nervous, 12).nameText(), "Sistema nervoso");
}

TEST(Theme, appearanceFollowsTheWindowColourAndTheHighlightIsTheAccent)
{
    EXPECT_EQ(Theme::appearanceOf(Theme::palette(Theme::Appearance::light)), Theme::Appearance::light);
    EXPECT_EQ(Theme::appearanceOf(Theme::palette(Theme::Appearance::dark)), Theme::Appearance::dark);
    EXPECT_EQ(Theme::palette(Theme::Appearance::dark).color(QPalette::Highlight), Brand::accent());
    auto tertiary = Theme::foreground(Theme::palette(Theme::Appearance::light), Theme::Foreground::tertiary);
    EXPECT_NEAR(tertiary.alphaF(), 0.26, 0.01);
    EXPECT_EQ(Theme::color(AnatomySystem::muscular), QColor::fromRgbF(0.667f, 0.200f, 0.192f));
    EXPECT_EQ(Theme::font(Theme::TextStyle::headline).pixelSize(), 13);
    EXPECT_TRUE(Theme::font(Theme::TextStyle::headline).bold());
}

// A prominent button is filled with the accent and labelled in white; disabled, it takes
// the plain button's bordered look with the appearance's disabled text, so it no longer
// looks like the one to press. The label is large enough for its strokes to cover whole
// pixels, which then show the text colour itself.
TEST(GlassButtonStyle, aDisabledButtonIsBorderedWithTheDisabledTextInBothAppearances)
{
    struct Case {
        bool prominent;
        bool enabled;
    };
    const Case cases[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (auto appearance : {Theme::Appearance::light, Theme::Appearance::dark}) {
        test::applyAppearance(appearance);
        const auto palette = Theme::palette(appearance);
        for (const auto& row : cases) {
            SCOPED_TRACE(std::string(appearance == Theme::Appearance::light ? "chiaro" : "scuro")
                + (row.prominent ? ", in evidenza" : ", semplice")
                + (row.enabled ? ", attivo" : ", disattivo"));
            QPushButton button(QStringLiteral("Importa"));
            auto font = button.font();
            font.setPixelSize(40);
            button.setFont(font);
            applyGlassButtonStyle(button, row.prominent);
            const QSize enabledSize = button.sizeHint();
            button.setEnabled(row.enabled);
            EXPECT_EQ(button.sizeHint(), enabledSize);
            button.resize(button.sizeHint());
            const auto seen = buttonColours(button.grab().toImage());
            const bool filled = row.prominent && row.enabled;
            const QColor fill = filled ? Brand::accent() : palette.color(QPalette::Button);
            const QColor text = filled ? QColor(Qt::white)
                : row.enabled          ? palette.color(QPalette::Active, QPalette::ButtonText)
                                       : palette.color(QPalette::Disabled, QPalette::ButtonText);
            EXPECT_EQ(seen.fill.name(), fill.name());
            EXPECT_EQ(seen.edge.name(), (filled ? fill : palette.color(QPalette::Mid)).name());
            EXPECT_LE(distance(seen.ink, over(text, fill)), 3) << seen.ink.name().toStdString();
            if (!row.enabled) {
                EXPECT_NE(seen.fill.name(), Brand::accent().name());
            }
        }
    }
    test::applyAppearance(Theme::Appearance::light);
}
