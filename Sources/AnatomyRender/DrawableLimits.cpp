#include "AnatomyRender/DrawableLimits.h"

#include "AnatomyRender/GL/GLLimits.h"

namespace morvena {

DrawableLimits DrawableLimits::current()
{
    auto limits = gl::Limits::query();
    return {limits.largestWidth(), limits.largestHeight()};
}

} // namespace morvena
