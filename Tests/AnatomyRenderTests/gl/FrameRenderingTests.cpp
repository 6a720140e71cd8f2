#include "RenderTestSupport.h"

#include "AnatomyRender/RendererError.h"

#include <gtest/gtest.h>

using namespace morvena;
using namespace morvena::test;

TEST(FrameRendering, smoke)
{
    RenderFixture fixture({boxMesh("A", {-5, -5, -5}, {5, 5, 5})});
    auto image = fixture.render();
    auto centre = pixelAt(image, 32, 32);
    auto corner = pixelAt(image, 0, 0);
    printf("centre %d %d %d corner %d %d %d\n", centre.red, centre.green, centre.blue, corner.red, corner.green, corner.blue);
}
