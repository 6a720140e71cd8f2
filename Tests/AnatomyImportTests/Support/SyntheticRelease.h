#pragma once

#include "AnatomyImport/BodyParts3D/BodyParts3DImporter.h"
#include "AnatomyImport/Geometry/RawMesh.h"
#include "TemporaryFolder.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace morvena::test {

using Triangle = std::array<std::uint32_t, 3>;

// A closed ellipsoid: rings of `columns` vertices between two poles, wound
// counter-clockwise seen from outside.
struct Ellipsoid {
    std::vector<Float3> positions;
    std::vector<Triangle> triangles;
};

Ellipsoid ellipsoid(Float3 centre, Float3 radii, int columns, int rings);
std::string objText(const Ellipsoid& shape);

struct Element {
    std::string file; // relative to the OBJ folder
    Float3 centre;
    Float3 radii;
    int columns = 8;
    int rings = 5;
};

// A small BodyParts3D release of a dozen concepts: metadata tables and OBJ
// element files. Its own axes have x towards the body's right, y towards its
// back and z towards its head (a mirror image of the body frame), and its body
// stands `height` units tall.
class SyntheticRelease {
public:
    explicit SyntheticRelease(float height = 1700);

    BodyParts3DImporter::Options options(std::string datasetID = "bp3d-prova", bool lods = true) const;

    // The triangles as written in an element file.
    const std::vector<Triangle>& triangles(const std::string& file) const { return triangles_.at(file); }

    TemporaryFolder metadata {"bp3d-meta"};
    TemporaryFolder objFolder {"bp3d-obj"};

private:
    void write(Element element);
    void writeMetadata();

    float scale_;
    std::map<std::string, std::vector<Triangle>> triangles_;
};

} // namespace morvena::test
