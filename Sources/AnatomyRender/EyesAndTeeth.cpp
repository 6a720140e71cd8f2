#include "AnatomyRender/EyesAndTeeth.h"

#include "AnatomyCore/Database/AnatomyDB.h"
#include "AnatomyRender/AnatomyScene.h"

#include <array>
#include <string>

namespace morvena::EyesAndTeeth {

namespace {

struct CuratedColor {
    const char* pattern; // SQL LIKE over the English name
    Float3 color;
};

// Later rows win where a structure matches several patterns.
constexpr std::array<CuratedColor, 6> curatedColors {{
    {"%sclera", {0.948f, 0.936f, 0.906f}},
    {"%cornea", {0.82f, 0.868f, 0.906f}},
    {"%iris", {0.329f, 0.396f, 0.451f}},
    {"%lens", {0.878f, 0.906f, 0.933f}},
    {"%tooth", {0.953f, 0.937f, 0.886f}},
    {"gingiva of%", {0.796f, 0.467f, 0.455f}},
}};

constexpr float corneaOpacity = 0.42f;

std::vector<std::int64_t> matching(const AnatomyDB& db, const char* pattern)
{
    std::array<std::string, 1> patterns {pattern};
    return db.meshIndicesLike(patterns);
}

} // namespace

std::vector<std::int64_t> structures(const AnatomyDB& db)
{
    std::vector<std::string> patterns;
    for (const auto& row : curatedColors)
        patterns.emplace_back(row.pattern);
    return db.meshIndicesLike(patterns);
}

void colour(AnatomyScene& scene, const AnatomyDB& db)
{
    for (const auto& row : curatedColors)
        for (auto index : matching(db, row.pattern))
            scene.colorOverrides.set(index, row.color);
    for (auto index : matching(db, "%cornea"))
        scene.setOpacity(corneaOpacity, index);
}

void apply(AnatomyScene& scene, const AnatomyDB& db)
{
    scene.alwaysVisible.assign(structures(db));
    colour(scene, db);
}

} // namespace morvena::EyesAndTeeth
