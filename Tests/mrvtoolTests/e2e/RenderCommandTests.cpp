// render, bench and pick-test run as the real program, drawing with OpenGL offscreen.
#include "TestDataset.h"
#include "ToolSandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <png.h>

#include <cstring>

using namespace morvena;
using namespace morvena::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

namespace {

// A small body: skull and femurs (skeletal), a buttock muscle, a heart (hidden by
// default) and a cornea, which is shown whatever the systems.
TestDataset bodyDataset()
{
    TestDataset dataset("corpo");
    auto& skull
        = dataset.add("FMA10", "skull", AnatomySystem::skeletal, ellipsoidMesh({0, 70, 0}, {15, 15, 15}));
    skull.nameIT = "Cranio";
    dataset.add("FMA11", "right femur", AnatomySystem::skeletal, ellipsoidMesh({-20, -40, 0}, {6, 30, 6}))
        .laterality
        = Laterality::right;
    dataset.add("FMA12", "left femur", AnatomySystem::skeletal, ellipsoidMesh({20, -40, 0}, {6, 30, 6}))
        .laterality
        = Laterality::left;
    dataset.add(
        "FMA20", "right gluteus maximus", AnatomySystem::muscular, ellipsoidMesh({-15, 0, -10}, {12, 10, 8}));
    dataset.add("FMA30", "heart", AnatomySystem::cardiac, ellipsoidMesh({0, 30, 5}, {10, 12, 8}));
    dataset.add("FMA40", "right cornea", AnatomySystem::sense, ellipsoidMesh({-5, 72, 14}, {2, 2, 1}));
    dataset.addGroup("FMA50", "femur", {"FMA12", "FMA11"});
    return dataset;
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

Picture readPNG(const std::filesystem::path& file)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, file.c_str()))
        return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

// Pixels of `picture` that clearly differ from the same pixel of `background`.
std::size_t coveredPixels(const Picture& picture, const Picture& background)
{
    std::size_t covered = 0;
    for (std::size_t i = 0; i + 2 < picture.rgb.size() && i + 2 < background.rgb.size(); i += 3) {
        int difference = 0;
        for (std::size_t c = 0; c < 3; ++c)
            difference += std::abs(int(picture.rgb[i + c]) - int(background.rgb[i + c]));
        covered += difference > 24;
    }
    return covered;
}

const std::vector<std::string> smallImage {"--width", "64", "--height", "48"};

std::vector<std::string> renderWords(std::vector<std::string> extra)
{
    std::vector<std::string> words {"render"};
    words.insert(words.end(), smallImage.begin(), smallImage.end());
    words.insert(words.end(), extra.begin(), extra.end());
    return words;
}

// The background alone: every structure drawn fully transparent.
Picture backgroundPicture(const ToolSandbox& sandbox)
{
    auto result = sandbox.run(
        renderWords({"--no-extras", "--opacity", "scheletro=0,muscoli=0", "--out", "empty.png"}));
    EXPECT_EQ(result.status, 0) << result.err;
    return readPNG(sandbox.workFolder() / "empty.png");
}

} // namespace

TEST(RenderCommand, writesAPNGOfTheAskedSizeShowingTheBody)
{
    ToolSandbox sandbox;
    bodyDataset().install(sandbox.dataHome());
    auto result = sandbox.run(renderWords({"--out", "body.png"}));
    ASSERT_EQ(result.status, 0) << result.err;
    // Skull, femurs and muscle by default, and the cornea as one of the eyes.
    EXPECT_EQ(result.out,
        "Immagine scritta: " + (sandbox.workFolder() / "body.png").string()
            + " (64×48)\n  strutture visibili 5 su 6\n");
    auto picture = readPNG(sandbox.workFolder() / "body.png");
    EXPECT_EQ(picture.width, 64);
    EXPECT_EQ(picture.height, 48);
    auto covered = coveredPixels(picture, backgroundPicture(sandbox));
    EXPECT_GT(covered, 64u * 48 / 20);
    EXPECT_LT(covered, 64u * 48);
    // Only the finished file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sandbox.workFolder()), {}), 2);
}

TEST(RenderCommand, anteriorAndSuperiorViewsSeeAFlatPlateEdgeOnAndFaceOn)
{
    ToolSandbox sandbox;
    TestDataset plate("lastra");
    plate.add("FMA1", "plate bone", AnatomySystem::skeletal, ellipsoidMesh({0, 0, 0}, {40, 2, 40}, 24));
    plate.install(sandbox.dataHome());
    ASSERT_EQ(sandbox.run(renderWords({"--view", "anterior", "--out", "front.png"})).status, 0);
    ASSERT_EQ(sandbox.run(renderWords({"--view", "superior", "--out", "top.png"})).status, 0);
    auto background = backgroundPicture(sandbox);
    auto front = coveredPixels(readPNG(sandbox.workFolder() / "front.png"), background);
    auto top = coveredPixels(readPNG(sandbox.workFolder() / "top.png"), background);
    EXPECT_GT(front, 0u);
    EXPECT_GT(top, 4 * front) << "anterior " << front << ", superior " << top;
}

TEST(RenderCommand, unknownSystemsListTheChoices)
{
    ToolSandbox sandbox;
    bodyDataset().install(sandbox.dataHome());
    auto result = sandbox.run(renderWords({"--systems", "xyz"}));
    EXPECT_EQ(result.status, 1);
    auto printed = lines(result.out);
    ASSERT_EQ(printed.size(), 19u) << result.out;
    EXPECT_EQ(printed[0], "Nessun sistema corrisponde a \"xyz\". Valori possibili:");
    EXPECT_EQ(printed[1], "  Non classificato");
    EXPECT_EQ(printed[18], "  Cute e tessuti superficiali");
    EXPECT_FALSE(std::filesystem::exists(sandbox.workFolder() / "anatomia.png"));

    // Upper case and a stray comma still name systems; the default file name is used.
    result = sandbox.run(renderWords({"--systems", "CUORE,"}));
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_THAT(result.out, HasSubstr("strutture visibili 2 su 6"));
    EXPECT_TRUE(std::filesystem::exists(sandbox.workFolder() / "anatomia.png"));
}

TEST(RenderCommand, refusesWhatCannotBeDrawnAndWritesNothing)
{
    ToolSandbox sandbox;
    bodyDataset().install(sandbox.dataHome());
    struct Case {
        std::vector<std::string> words;
        std::string out;
    };
    std::vector<Case> cases {
        {{"--benchmark", "-1"}, "Il numero di frame di --benchmark non può essere negativo: -1\n"},
        {{"--width", "1000000"}, "Dimensioni 1000000×48 oltre il limite di OpenGL su questo computer"},
        {{"--height", "99999999999999"}, "Dimensioni 64×99999999999999 oltre il limite di OpenGL"},
        {{"--width", "1"}, "Rendering non riuscito.\n"},
        {{"--structure", "FMA999"}, "Struttura senza geometria: FMA999\n"},
    };
    for (const auto& c : cases) {
        auto result = sandbox.run(renderWords(c.words));
        EXPECT_EQ(result.status, 1) << c.words[0];
        EXPECT_THAT(result.out, StartsWith(c.out));
    }
    auto result = sandbox.run(renderWords({"--out", "missing/folder/x.png"}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, StartsWith("\nErrore: "));
    EXPECT_TRUE(std::filesystem::is_empty(sandbox.workFolder()));
}

TEST(RenderCommand, framesAGroupOfStructuresAndTimesRenders)
{
    ToolSandbox sandbox;
    bodyDataset().install(sandbox.dataHome());
    auto result = sandbox.run(renderWords({"--structure", "FMA50", "--isolate", "--benchmark", "2"}));
    ASSERT_EQ(result.status, 0) << result.err;
    auto printed = lines(result.out);
    ASSERT_EQ(printed.size(), 4u) << result.out;
    EXPECT_EQ(printed[0], "Inquadrate 2 strutture: left femur, right femur");
    EXPECT_EQ(printed[2], "  strutture visibili 2 su 6");
    EXPECT_THAT(printed[3],
        MatchesRegex("  benchmark 2 frame a 64×48: mediana [0-9]+\\.[0-9][0-9] ms \\([0-9]+ FPS\\), "
                     "peggiore [0-9]+\\.[0-9][0-9] ms"));

    // A structure of a hidden system is shown when framed; no timed renders is a line of zeros.
    result = sandbox.run(
        renderWords({"--structure", "FMA30", "--benchmark", "0", "--light", "--quality", "alta"}));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(lines(result.out),
        ElementsAre("Inquadrate 1 strutture: heart", StartsWith("Immagine scritta: "),
            "  strutture visibili 6 su 6",
            "  benchmark 0 frame a 64×48: mediana 0.00 ms (1000000 FPS), peggiore 0.00 ms"));
}

TEST(BenchCommand, printsScenariosPicksAndTheBudgetLine)
{
    ToolSandbox sandbox;
    bodyDataset().install(sandbox.dataHome());
    auto result = sandbox.run({"bench", "--width", "64", "--height", "40", "--frames", "2"});
    ASSERT_EQ(result.status, 0) << result.err;
    auto printed = lines(result.out);
    ASSERT_EQ(printed.size(), 13u) << result.out;
    EXPECT_EQ(printed[0], "Prestazioni di rendering — 64×40, MSAA 4×, 2 frame per scenario");
    EXPECT_EQ(printed[1],
        "scenario                             mediana       95°  peggiore      CPU   draw   triangoli");
    EXPECT_THAT(printed[2], StartsWith("scheletro + muscoli (default)     "));
    EXPECT_THAT(printed[3], StartsWith("tutti i sistemi                   "));
    EXPECT_THAT(printed[4], StartsWith("tutti, muscoli trasparenti        "));
    EXPECT_THAT(printed[5], StartsWith("ravvicinato (LOD pieno)           "));
    EXPECT_EQ(printed[7], "Selezione (picking GPU)");
    EXPECT_THAT(printed[8], StartsWith("  centro del torace   "));
    EXPECT_THAT(printed[9], StartsWith("  coscia              "));
    EXPECT_THAT(
        printed[10], MatchesRegex("  sfondo vuoto  .* strutture, .* triangoli   → nessuna struttura"));
    EXPECT_THAT(printed[12],
        MatchesRegex(
            "Margine a 60 FPS \\(16\\.67 ms per frame\\): 95° percentile peggiore [0-9]+\\.[0-9][0-9] ms → "
            "(rientra|NON rientra)"));

    result = sandbox.run({"bench", "--width", "0", "--height", "40"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Dimensioni 0×40 non valide: servono almeno 2×2 pixel.\n");

    // Without a frame nothing would be measured, and the verdict would be made up.
    for (const char* frames : {"0", "-4294967296"}) {
        result = sandbox.run({"bench", "--width", "16", "--height", "16", "--frames", frames});
        EXPECT_EQ(result.status, 1) << frames;
        EXPECT_EQ(
            result.out, std::string("Il numero di frame di --frames deve essere almeno 1: ") + frames + "\n");
    }
}

TEST(PickTestCommand, findsEverySeparatedStructureAndTheNamedTargets)
{
    ToolSandbox sandbox;
    TestDataset row("fila");
    const std::vector<std::string> names {"skull", "right femur", "left humerus", "heart", "liver", "spleen"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto system = i < 3 ? AnatomySystem::skeletal : AnatomySystem::digestive;
        auto& added = row.add("FMA" + std::to_string(i + 1), names[i], system,
            ellipsoidMesh({float(i) * 100, float(i % 2) * 30, 0}, {12, 12, 12}));
        if (i == 0)
            added.nameIT = "Cranio";
    }
    row.install(sandbox.dataHome());
    auto result = sandbox.run({"pick-test", "--width", "160", "--height", "120"});
    ASSERT_EQ(result.status, 0) << result.err;
    auto printed = lines(result.out);
    ASSERT_GE(printed.size(), 6u) << result.out;
    EXPECT_EQ(printed[0], "Selezione, prova di andata e ritorno su 6 strutture isolate");
    EXPECT_EQ(printed[1], "  punto cliccato = vertice della superficie più vicino alla telecamera");
    EXPECT_EQ(printed[2], "  corrispondenza esatta: 6/6 (100%)");
    EXPECT_EQ(printed[3], "");
    EXPECT_EQ(printed[4], "Scena di default (scheletro + muscoli): struttura colpita puntando");
    EXPECT_EQ(printed[5], "  bersaglio                 selezionato                       sistema");
    // Targets of hidden systems are aimed at and miss; absent targets print nothing.
    EXPECT_THAT(std::vector(printed.begin() + 6, printed.end()),
        ElementsAre("  skull                     Cranio                            Scheletro",
            "  right femur               right femur                       Scheletro",
            "  left humerus              left humerus                      Scheletro",
            "  heart                     nessuna struttura                 —",
            "  liver                     nessuna struttura                 —"));

    // Six structures: three samples test every second one, a negative count every one.
    for (const auto& [samples, tested] : {std::pair {"3", "3"}, {"-3", "6"}, {"-9223372036854775808", "6"}}) {
        result = sandbox.run({"pick-test", "--width", "160", "--height", "120", "--samples", samples});
        ASSERT_EQ(result.status, 0) << samples << ": " << result.err;
        EXPECT_EQ(lines(result.out).front(),
            std::string("Selezione, prova di andata e ritorno su ") + tested + " strutture isolate")
            << samples;
    }
    result = sandbox.run({"pick-test", "--samples", "0"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Il valore di --samples non può essere zero.\n");
}
