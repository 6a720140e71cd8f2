#include "SyntheticRelease.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace morvena::test {

Ellipsoid ellipsoid(Float3 centre, Float3 radii, int columns, int rings)
{
    Ellipsoid shape;
    auto add = [&](double x, double y, double z) {
        shape.positions.push_back({static_cast<float>(centre[0] + radii[0] * x),
            static_cast<float>(centre[1] + radii[1] * y), static_cast<float>(centre[2] + radii[2] * z)});
    };
    add(0, 0, 1);
    for (int ring = 1; ring <= rings; ++ring) {
        double polar = M_PI * ring / (rings + 1);
        for (int column = 0; column < columns; ++column) {
            double azimuth = 2 * M_PI * column / columns;
            add(std::sin(polar) * std::cos(azimuth), std::sin(polar) * std::sin(azimuth), std::cos(polar));
        }
    }
    add(0, 0, -1);
    auto last = static_cast<std::uint32_t>(shape.positions.size() - 1);
    auto at = [&](int ring, int column) {
        return static_cast<std::uint32_t>(1 + ring * columns + column % columns);
    };
    for (int column = 0; column < columns; ++column)
        shape.triangles.push_back({0, at(0, column), at(0, column + 1)});
    for (int ring = 0; ring + 1 < rings; ++ring) {
        for (int column = 0; column < columns; ++column) {
            shape.triangles.push_back({at(ring, column), at(ring + 1, column), at(ring + 1, column + 1)});
            shape.triangles.push_back({at(ring, column), at(ring + 1, column + 1), at(ring, column + 1)});
        }
    }
    for (int column = 0; column < columns; ++column)
        shape.triangles.push_back({at(rings - 1, column), last, at(rings - 1, column + 1)});
    return shape;
}

std::string objText(const Ellipsoid& shape)
{
    std::string text = "# elemento di prova\ng elemento\n";
    char line[128];
    for (const auto& p : shape.positions) {
        std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", p[0], p[1], p[2]);
        text += line;
    }
    for (const auto& t : shape.triangles) {
        std::snprintf(line, sizeof line, "f %u %u %u\n", t[0] + 1, t[1] + 1, t[2] + 1);
        text += line;
    }
    return text;
}

SyntheticRelease::SyntheticRelease(float height)
    : scale_(height / 1700)
{
    writeMetadata();
    // Landmarks where they sit in an adult: the humeri either side, the
    // mandible at the front of the head, the occipital bone at its back,
    // the talus at the foot.
    write({"FJ1.obj", {-190, 0, 1200}, {18, 18, 150}});
    write({"FJ2.obj", {190, 0, 1200}, {18, 18, 150}});
    write({"FJ3.obj", {0, -60, 1540}, {50, 40, 20}});
    write({"FJ4.obj", {100, 10, 70}, {18, 25, 15}});
    write({"nested/deeper/FJ5.obj", {0, 80, 1620}, {55, 20, 45}});
    write({"FJ6.obj", {-30, -20, 1280}, {50, 45, 60}});
    write({"sub/FJ7.OBJ", {30, -20, 1250}, {40, 40, 50}}); // the heart's second element
    write({"FJ9.obj", {-80, -30, 1080}, {90, 60, 50}}); // FJ8 and FJ10 are missing
    write({"FJ11.obj", {0, 0, 850}, {250, 150, 850}, 40, 40}); // the skin, large enough for levels of detail
    write({"FJ12.obj", {0, 0, 1000}, {10, 10, 10}});
    write({"FJ13.obj", {-100, 0, 650}, {25, 25, 200}});
    write({"FJ14.obj", {100, 0, 650}, {25, 25, 200}});
    writeFile(objFolder / "notes.txt", "not a mesh");
}

BodyParts3DImporter::Options SyntheticRelease::options(std::string datasetID, bool lods) const
{
    return {metadata.path(), objFolder.path(), std::move(datasetID), 0, lods};
}

void SyntheticRelease::write(Element element)
{
    element.centre *= scale_;
    element.radii *= scale_;
    auto shape = ellipsoid(element.centre, element.radii, element.columns, element.rings);
    writeFile(objFolder / element.file, objText(shape));
    triangles_[std::filesystem::path(element.file).stem().string()] = shape.triangles;
}

void SyntheticRelease::writeMetadata()
{
    writeFile(metadata / "isa_parts_list_e.txt",
        "concept id\trepresentation id\ten\n"
        "FMA62955\tBP1\tanatomical entity\n"
        "FMA5018\tBP2\tbone organ\n"
        "FMA23131\tBP3\tleft humerus\n"
        "FMA23130\tBP4\tright humerus\n"
        "FMA52748\tBP5\tmandible\n"
        "FMA24482\tBP6\tright talus\n"
        "FMA52735\tBP7\toccipital bone\n"
        "FMA7088\tBP8\theart\n"
        "FMA100\tBP9\tmystery blob\n"
        "FMA200\tBP10\tleft kidney\n"
        "FMA300\tBP11\tliver\n"
        "FMA400\tBP12\tskin\n"
        "FMA24475\tBP13\tleft femur\n"
        "FMA700\tBP14\tfemur\n");
    writeFile(metadata / "isa_inclusion_relation_list.txt",
        "parent id\tparent name\tchild id\tchild name\n"
        "FMA62955\tanatomical entity\tFMA5018\tbone organ\n"
        "FMA62955\tanatomical entity\tFMA100\tmystery blob\n"
        "FMA62955\tanatomical entity\tFMA7088\theart\n"
        "FMA5018\tbone organ\tFMA23131\tleft humerus\n"
        "FMA5018\tbone organ\tFMA23130\tright humerus\n"
        "FMA5018\tbone organ\tFMA52748\tmandible\n"
        "FMA5018\tbone organ\tFMA24482\tright talus\n"
        "FMA5018\tbone organ\tFMA52735\toccipital bone\n"
        "FMA5018\tbone organ\tFMA700\tfemur\n"
        "FMA700\tfemur\tFMA24475\tleft femur\n");
    std::string elements = "concept id\tname\telement file id\n";
    auto list = [&](const char* conceptID, const char* name, std::initializer_list<const char*> files) {
        for (const auto* file : files)
            elements += std::string(conceptID) + "\t" + name + "\t" + file + "\n";
    };
    list("FMA5018", "bone organ", {"FJ1", "FJ2", "FJ3", "FJ4", "FJ5", "FJ13", "FJ14"});
    list("FMA23131", "left humerus", {"FJ1"});
    list("FMA23130", "right humerus", {"FJ2"});
    list("FMA52748", "mandible", {"FJ3"});
    list("FMA24482", "right talus", {"FJ4"});
    list("FMA52735", "occipital bone", {"FJ5"});
    list("FMA7088", "heart", {"FJ6", "FJ7"});
    list("FMA100", "mystery blob", {"FJ12"});
    list("FMA200", "left kidney", {"FJ8"});
    list("FMA300", "liver", {"FJ9", "FJ10"});
    list("FMA400", "skin", {"FJ11"});
    list("FMA24475", "left femur", {"FJ13"});
    // No leaf lists FJ14, so "femur" becomes a structure too and shares
    // FJ13 with the left femur.
    list("FMA700", "femur", {"FJ13", "FJ14"});
    writeFile(metadata / "isa_element_parts.txt", elements);

    writeFile(metadata / "partof_parts_list_e.txt",
        "concept id\trepresentation id\ten\n"
        "FMA20394\tBP20\thuman body\n"
        "FMA9999\tBP21\tcardiac complex\n");
    writeFile(metadata / "partof_inclusion_relation_list.txt",
        "parent id\tparent name\tchild id\tchild name\n"
        "FMA20394\thuman body\tFMA7088\theart\n"
        "FMA20394\thuman body\tFMA9999\tcardiac complex\n"
        "FMA20394\thuman body\tFMA200\tleft kidney\n");
    writeFile(metadata / "partof_element_parts.txt",
        "concept id\tname\telement file id\n"
        "FMA9999\tcardiac complex\tFJ6\n");
}

} // namespace morvena::test
