#include "DatabaseFiles.h"
#include "ViewedModel.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyCore/Support/SmallFile.h"
#include "AnatomyRender/AnatomyScene.h"
#include "AnatomyUI/Model/Platform.h"

#include <png.h>

#include <cstdlib>
#include <ctime>

using namespace morvena;
using namespace morvena::test;
using Field = AppModel::Field;
using enum AnatomySystem;

namespace {

// Eyes and teeth among other structures, one of them in the database only with an
// index the pack does not have.
TestDataset eyesAndTeeth()
{
    TestDataset dataset("occhi");
    const char* names[] = {"left cornea", "left sclera", "left iris", "left lens", "molar tooth",
        "gingiva of upper jaw", "left femur"};
    int column = 4;
    for (const char* name : names) {
        const auto conceptID = std::string(name).substr(std::string(name).rfind(' ') + 1);
        dataset.add(conceptID, name, sense, pixelBox(conceptID, column, 20, column + 4, 40));
        column += 8;
    }
    return dataset;
}

const Float3 corneaColour {0.82f, 0.868f, 0.906f};
const Float3 toothColour {0.953f, 0.937f, 0.886f};

// 2026-03-09 23:48:43 UTC: the seconds since 1970 end in 00123.
const auto exportTime = std::chrono::system_clock::from_time_t(1773100123);

// Local dates in UTC while the test runs.
struct UTCZone {
    UTCZone()
        : previous_(std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt)
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ~UTCZone()
    {
        if (previous_)
            setenv("TZ", previous_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    UTCZone(const UTCZone&) = delete;
    UTCZone& operator=(const UTCZone&) = delete;

private:
    std::optional<std::string> previous_;
};

struct DecodedPNG {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* pixel(int x, int y) const
    {
        return rgb.data()
            + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x))
            * 3;
    }
};

std::optional<DecodedPNG> decodePNG(const std::filesystem::path& file)
{
    auto bytes = SmallFile::read(file, 256 << 20);
    if (!bytes)
        return std::nullopt;
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes->data(), bytes->size()))
        return std::nullopt;
    image.format = PNG_FORMAT_RGB;
    DecodedPNG decoded {static_cast<int>(image.width), static_cast<int>(image.height)};
    decoded.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, decoded.rgb.data(), 0, nullptr))
        return std::nullopt;
    return decoded;
}

// A look at an export for a person: kept where MORVENA_TEST_ARTIFACTS says.
void keepForReview(const std::filesystem::path& image, const std::string& name)
{
    const char* folder = std::getenv("MORVENA_TEST_ARTIFACTS");
    if (!folder || !*folder)
        return;
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(
        image, std::filesystem::path(folder) / name, std::filesystem::copy_options::overwrite_existing);
}

// A view of 64 × 48 pixels whose save panel answers with what the test says.
struct ExportingModel : ViewedModel {
    ExportingModel()
        : ViewedModel(eyesAndTeeth())
    {
        view = std::make_unique<FakeViewport>(*model, float2 {64, 48});
        model->viewportReady(view->handle);
        now = exportTime;
        savePanel = [this](const std::filesystem::path& folder, const std::string& fileName) {
            panelFolder = folder;
            panelFileName = fileName;
            return answer ? std::optional(*answer / fileName) : std::nullopt;
        };
    }

    std::optional<std::filesystem::path> answer; // the folder chosen, none to cancel
    std::filesystem::path panelFolder;
    std::string panelFileName;
};

} // namespace

TEST(AppModelAlwaysVisible, eyesAndTeethStayVisibleInTheirColoursUntilSwitchedOffOrReset)
{
    const auto dataset = eyesAndTeeth();
    GLModel fixture;
    fixture.install(dataset);
    AnatomyStructure stray {.conceptID = "stray", .meshIndex = 999, .nameEN = "stray tooth"};
    AnatomyDB(databaseFile(fixture, dataset), false).insert(std::span(&stray, 1));
    auto& model = fixture.create();
    model.load("occhi");
    ASSERT_TRUE(holds<AppModel::Ready>(model)) << failure(model);
    auto& scene = *model.scene();

    EXPECT_EQ(model.alwaysVisibleCount(), 6) << "the femur is no eye, the stray index no structure";
    std::set<std::int64_t> expected;
    for (const char* conceptID : {"cornea", "sclera", "iris", "lens", "tooth", "jaw"})
        expected.insert(fixture.indexOf(conceptID));
    const auto visible = scene.alwaysVisible.members();
    EXPECT_EQ(std::set(visible.begin(), visible.end()), expected);
    ASSERT_TRUE(scene.colorOverrides.find(fixture.indexOf("cornea")));
    EXPECT_EQ(*scene.colorOverrides.find(fixture.indexOf("cornea")), corneaColour);
    EXPECT_EQ(*scene.colorOverrides.find(fixture.indexOf("tooth")), toothColour);
    EXPECT_FALSE(scene.colorOverrides.find(fixture.indexOf("femur")));
    EXPECT_EQ(scene.opacity(fixture.indexOf("cornea")), 0.42f);

    model.setShowEyesAndTeeth(false);
    EXPECT_TRUE(scene.alwaysVisible.empty());
    EXPECT_FALSE(fixture.sandbox.reread().showEyesAndTeeth());
    EXPECT_EQ(*scene.colorOverrides.find(fixture.indexOf("cornea")), corneaColour) << "colours stay";
    model.setShowEyesAndTeeth(true);
    EXPECT_EQ(scene.alwaysVisible.size(), 6u);

    model.resetAll();
    EXPECT_TRUE(scene.colorOverrides.empty());
    EXPECT_EQ(scene.opacity(fixture.indexOf("cornea")), 1.0f);
    EXPECT_EQ(scene.alwaysVisible.size(), 6u);
    model.load("occhi");
    EXPECT_EQ(*model.scene()->colorOverrides.find(fixture.indexOf("cornea")), corneaColour);
    EXPECT_EQ(model.scene()->opacity(fixture.indexOf("cornea")), 0.42f);
}

TEST(AppModelMeasurement, twoPointsOnTheSurfaceGiveTheirDistanceAndProjectWhereClicked)
{
    ViewedModel fixture(boxDataset("metro", {{"M", skeletal}}));
    auto& model = *fixture.model;
    EXPECT_EQ(model.measureDistanceMM(), std::nullopt);
    model.setMeasureMode(true);
    model.handleSelect(fixture.at(5, 21), PointerModifier::none);
    EXPECT_EQ(model.measureDistanceMM(), std::nullopt);
    model.handleSelect(fixture.at(8, 25), PointerModifier::none);
    ASSERT_EQ(model.measurePoints().size(), 2u);
    ASSERT_TRUE(model.measureDistanceMM());
    EXPECT_NEAR(*model.measureDistanceMM(), 5, 1e-3) << "3 columns and 4 rows apart";

    const auto onScreen = model.measurePointsOnScreen({64, 64});
    ASSERT_EQ(onScreen.size(), 2u);
    EXPECT_NEAR(onScreen[0].x, 5.5, 1e-2);
    EXPECT_NEAR(onScreen[0].y, 21.5, 1e-2);
    EXPECT_NEAR(onScreen[1].x, 8.5, 1e-2);
    EXPECT_NEAR(onScreen[1].y, 25.5, 1e-2);

    // The eye between the two points, looking along the line that joins them sideways.
    auto camera = model.renderer()->camera();
    camera.yaw = std::numbers::pi_v<float> / 2;
    camera.pitch = 0;
    camera.target = (model.measurePoints()[0] + model.measurePoints()[1]) * 0.5f;
    camera.distance = 0.5f;
    model.renderer()->setCamera(camera);
    EXPECT_EQ(model.measurePointsOnScreen({64, 64}).size(), 1u);

    fixture.lookFromFront();
    model.handleSelect(fixture.at(6, 30), PointerModifier::none);
    EXPECT_EQ(model.measurePoints().size(), 1u) << "a third point starts again";
    EXPECT_EQ(model.measureDistanceMM(), std::nullopt);
}

TEST(AppModelExport, twiceTheDrawableIsSavedWhereTheUserSaysUnderTheDaysName)
{
    UTCZone utc;
    ExportingModel fixture;
    auto& model = *fixture.model;
    const auto folder = fixture.sandbox.folder.path() / "scelta";
    std::filesystem::create_directories(folder);
    fixture.answer = folder;

    model.exportScreenshot(2);
    EXPECT_EQ(fixture.panelFileName, "anatomia-2026-03-09-123.png");
    EXPECT_EQ(fixture.panelFolder, Platform::exportDirectory());
    EXPECT_TRUE(std::filesystem::is_directory(fixture.panelFolder));
    const auto file = folder / "anatomia-2026-03-09-123.png";
    EXPECT_EQ(model.exportedImageURL(), file);
    EXPECT_EQ(model.lastMessage(), "Immagine salvata: anatomia-2026-03-09-123.png (128×96)");
    const auto dark = decodePNG(file);
    ASSERT_TRUE(dark);
    EXPECT_EQ(dark->width, 128);
    EXPECT_EQ(dark->height, 96);
    keepForReview(file, "esportazione-scura.png");

    model.setBackgroundPalette(BackgroundPalette::avorio);
    fixture.now += std::chrono::seconds(1);
    model.exportScreenshot(2);
    const auto ivoryFile = folder / "anatomia-2026-03-09-124.png";
    const auto ivory = decodePNG(ivoryFile);
    ASSERT_TRUE(ivory);
    keepForReview(ivoryFile, "esportazione-avorio.png");
    auto brightness = [](const DecodedPNG& image) {
        const auto* corner = image.pixel(0, 0);
        return corner[0] + corner[1] + corner[2];
    };
    EXPECT_GT(brightness(*ivory), brightness(*dark) + 300) << "a light background";
}

TEST(AppModelExport, aCancelledPanelOrAFailedWriteLeavesNoFileBehind)
{
    ExportingModel fixture;
    auto& model = *fixture.model;
    const auto folder = fixture.sandbox.folder.path() / "scelta";
    std::filesystem::create_directories(folder);

    ChangeLog log(model);
    model.exportScreenshot(2);
    EXPECT_FALSE(fixture.panelFileName.empty()) << "the panel was shown";
    EXPECT_TRUE(log.fields.empty());
    EXPECT_TRUE(std::filesystem::is_empty(fixture.panelFolder));

    fixture.answer = folder;
    model.exportScreenshot(2);
    const auto saved = model.exportedImageURL();
    ASSERT_TRUE(saved);

    struct Case {
        const char* name;
        std::filesystem::path chosen;
    };
    std::filesystem::create_directories(folder / "occupata" / fixture.panelFileName);
    const Case cases[] = {
        {"a folder that does not exist", folder / "mancante"},
        {"a name taken by a folder", folder / "occupata"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fixture.answer = c.chosen;
        const auto before = std::filesystem::exists(c.chosen) ? listing(c.chosen) : std::set<std::string> {};
        model.exportScreenshot(2);
        ASSERT_TRUE(model.lastMessage());
        EXPECT_TRUE(model.lastMessage()->starts_with("Scrittura non riuscita: ")) << *model.lastMessage();
        EXPECT_EQ(model.exportedImageURL(), saved);
        EXPECT_EQ(std::filesystem::exists(c.chosen) ? listing(c.chosen) : std::set<std::string> {}, before)
            << "no temporary file left";
    }
}
