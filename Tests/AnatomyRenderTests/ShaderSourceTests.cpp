#include "AnatomyRender/GL/ShaderSource.h"
#include "AnatomyRender/RendererError.h"

#include "TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace morvena;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

constexpr std::string_view sample = "// preamble outside any section\n"
                                    "//@section common\n"
                                    "layout(std140) uniform U { vec4 a; };\n"
                                    "//@section b_fragment\n"
                                    "out vec4 colour;\n"
                                    "void main() { colour = a; }\n"
                                    "//@section a_vertex\n"
                                    "void main() { gl_Position = a; }\n";

} // namespace

TEST(ShaderSource, cutsSectionsAndKeepsFileOrder)
{
    ShaderSource source(sample);
    EXPECT_THAT(source.entryPoints(), ElementsAre("b_fragment", "a_vertex"));
    EXPECT_TRUE(source.contains("a_vertex"));
    EXPECT_FALSE(source.contains("common"));
    EXPECT_FALSE(source.contains("missing_fragment"));
    EXPECT_EQ(ShaderSource::stage("x_vertex"), ShaderSource::Stage::vertex);
    EXPECT_EQ(ShaderSource::stage("x_fragment"), ShaderSource::Stage::fragment);
    EXPECT_FALSE(ShaderSource::stage("helpers"));
}

TEST(ShaderSource, compilationUnitPutsCommonPartFirstWithFileLineNumbers)
{
    ShaderSource source(sample);
    auto unit = source.compilationUnit("b_fragment");
    EXPECT_TRUE(unit.starts_with("#version 450 core\n#line 3\nlayout(std140)"));
    EXPECT_THAT(unit, HasSubstr("#line 5\nout vec4 colour;\nvoid main() { colour = a; }\n"));
    EXPECT_THAT(unit, ::testing::Not(HasSubstr("gl_Position")));
    EXPECT_THAT(unit, ::testing::Not(HasSubstr("preamble")));
    EXPECT_TRUE(source.compilationUnit("c_vertex").empty());
    EXPECT_TRUE(source.compilationUnit("common").empty());
}

TEST(ShaderSource, loadRefusesMissingAndNonUTF8Files)
{
    test::TemporaryFolder folder;
    auto expectMissing = [](const std::filesystem::path& file) {
        try {
            ShaderSource::load(file);
            ADD_FAILURE() << file;
        } catch (const RendererError& error) {
            EXPECT_EQ(error.kind(), RendererError::Kind::shaderSourceMissing);
        }
    };
    expectMissing(folder / "Shaders.glsl");
    test::writeFile(folder / "latin1.glsl", "//@section a_vertex\n// perch\xe9\n");
    expectMissing(folder / "latin1.glsl");
    test::writeFile(folder / "overlong.glsl", "//@section a_vertex\n\xc0\xaf\n");
    expectMissing(folder / "overlong.glsl");
    test::writeFile(folder / "ok.glsl", "//@section a_vertex\n// perch\xc3\xa9\n");
    EXPECT_THAT(ShaderSource::load(folder / "ok.glsl").entryPoints(), ElementsAre("a_vertex"));
}
