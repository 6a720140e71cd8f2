#include "AnatomyImport/BodyParts3D/ElementCache.h"
#include "AnatomyImport/ImportError.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace morvena;

namespace {

using Files = std::unordered_map<std::string, std::filesystem::path>;

RawMesh triangle(float x)
{
    return {"", {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}}, {}, {0, 1, 2}};
}

// Counts how often each file is parsed.
struct CountingLoader {
    std::map<std::string, int> loads;
    std::mutex mutex;

    ElementCache::Loader loader()
    {
        return [this](const std::filesystem::path& file) -> std::optional<RawMesh> {
            std::lock_guard lock(mutex);
            ++loads[file.stem().string()];
            if (file.stem() == "rotto")
                return std::nullopt;
            if (file.stem() == "vuoto")
                return RawMesh {"", {{0, 0, 0}}, {}, {0, 0}};
            return triangle(file.stem() == "A" ? 0.0f : 10.0f);
        };
    }
};

} // namespace

TEST(ElementCache, aSharedFileIsParsedOnceAndFreedAfterItsLastListing)
{
    Files files {{"A", "/x/A.obj"}, {"B", "/x/B.obj"}};
    std::vector<std::string_view> listings {"A", "B", "A", "A", "C"};
    CountingLoader counting;
    ElementCache cache(files, listings, counting.loader());
    EXPECT_EQ(cache.heldCount(), 0u);

    RawMesh first, second, third;
    EXPECT_TRUE(cache.append("A", first));
    EXPECT_EQ(cache.heldCount(), 1u);
    EXPECT_TRUE(cache.append("B", first)); // listed once: handed over, never held
    EXPECT_EQ(cache.heldCount(), 1u);
    EXPECT_TRUE(cache.append("A", second));
    EXPECT_TRUE(cache.append("A", third));
    EXPECT_EQ(cache.heldCount(), 0u);
    EXPECT_EQ(counting.loads, (std::map<std::string, int> {{"A", 1}, {"B", 1}}));

    // The second mesh is shifted past the first one's positions.
    EXPECT_EQ(first.positions.size(), 6u);
    EXPECT_EQ(first.indices, (std::vector<std::uint32_t> {0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(first.positions[3][0], 10.0f);
    EXPECT_EQ(second, triangle(0));
    EXPECT_EQ(third, triangle(0));
    EXPECT_FALSE(cache.append("C", first)); // no file
}

TEST(ElementCache, unreadableAndEmptyFiles)
{
    Files files {{"rotto", "/x/rotto.obj"}, {"vuoto", "/x/vuoto.obj"}};
    std::vector<std::string_view> listings {"rotto", "rotto", "vuoto"};
    CountingLoader counting;
    ElementCache cache(files, listings, counting.loader());
    RawMesh mesh = triangle(0);
    EXPECT_FALSE(cache.append("rotto", mesh));
    EXPECT_FALSE(cache.append("rotto", mesh));
    EXPECT_TRUE(cache.append("vuoto", mesh)); // readable, but without a triangle to add
    EXPECT_EQ(mesh, triangle(0));
    EXPECT_EQ(counting.loads, (std::map<std::string, int> {{"rotto", 1}, {"vuoto", 1}}));
    EXPECT_EQ(cache.heldCount(), 0u);
}

TEST(ElementCache, concurrentListingsShareOneParse)
{
    Files files {{"A", "/x/A.obj"}};
    std::vector<std::string_view> listings(64, "A");
    CountingLoader counting;
    ElementCache cache(files, listings, counting.loader());
    std::vector<RawMesh> meshes(64);
    {
        std::vector<std::jthread> threads;
        for (std::size_t index = 0; index < meshes.size(); ++index)
            threads.emplace_back([&, index] { EXPECT_TRUE(cache.append("A", meshes[index])); });
    }
    EXPECT_EQ(counting.loads["A"], 1);
    for (const auto& mesh : meshes)
        EXPECT_EQ(mesh, triangle(0));
    EXPECT_EQ(cache.heldCount(), 0u);
}

TEST(ElementCache, readsOBJFilesWithoutTheirNormals)
{
    morvena::test::TemporaryFolder folder;
    morvena::test::writeFile(folder / "e.obj",
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n"
        "g a\nf 1//1 2//2 3//3\ng b\nf 2//2 4//4 3//3\nf 9 9 9\n");
    auto mesh = ElementCache::loadOBJ(folder / "e.obj");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->positions.size(), 4u);
    EXPECT_TRUE(mesh->normals.empty());
    EXPECT_EQ(mesh->indices, (std::vector<std::uint32_t> {0, 1, 2, 1, 3, 2}));
    EXPECT_FALSE(ElementCache::loadOBJ(folder / "assente.obj"));
}

TEST(ElementCache, runningOutOfMemoryStopsTheImportNamingTheFile)
{
    Files files {{"A", "/x/A.obj"}};
    // Listed once, the file is read for its concept; listed twice, once for both.
    for (const std::vector<std::string_view>& listings : {std::vector<std::string_view> {"A"}, {"A", "A"}}) {
        ElementCache cache(files, listings,
            [](const std::filesystem::path&) -> std::optional<RawMesh> { throw std::bad_alloc(); });
        RawMesh mesh;
        try {
            cache.append("A", mesh);
            ADD_FAILURE() << listings.size();
        } catch (const ImportError& error) {
            EXPECT_STREQ(error.what(), "memoria esaurita leggendo /x/A.obj");
        }
    }
}
