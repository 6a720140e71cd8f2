#include "AnatomyUI/Window/Diagnostics.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

using namespace morvena;

TEST(DiagnosticsLine, countersDecimalsAndDrawable)
{
    struct Case {
        std::int64_t frames;
        RenderStats stats;
        std::optional<float2> drawable;
        std::string line;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const std::vector<Case> cases {
        {0, {}, std::nullopt,
            "DIAG frame=0 fps=0 ms=0.00 triangoli=0 draw=0 strutture=0 escluse=0 drawable=nessuna vista\n"},
        {1234, {16.666, 59.9, 3, 120000, 40, 7, 0}, float2 {2880, 1800},
            "DIAG frame=1234 fps=59 ms=16.67 triangoli=120000 draw=3 strutture=40 escluse=7 "
            "drawable=2880×1800\n"},
        {5, {1.0, nan, 0, 0, 0, 0, 0}, float2 {infinity, 10.9f},
            "DIAG frame=5 fps=0 ms=1.00 triangoli=0 draw=0 strutture=0 escluse=0 drawable=0×10\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Diagnostics::line(c.frames, c.stats, c.drawable), c.line);
}

TEST(DiagnosticsLine, theFileIsCreatedThenAppendedTo)
{
    test::TemporaryFolder folder("diagnostics");
    const auto path = folder.path() / "diag.log";
    setenv("ANATOMY_DIAG_FILE", path.c_str(), 1);
    Diagnostics::write("uno\n");
    Diagnostics::write("due\n");
    unsetenv("ANATOMY_DIAG_FILE");
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), "uno\ndue\n");
}
