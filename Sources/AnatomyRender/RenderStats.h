#pragma once

namespace morvena {

// What the last frame cost and drew; all zero before the first frame.
struct RenderStats {
    double frameTimeMS = 0; // smoothed
    double fps = 0;
    int drawCalls = 0;
    int triangles = 0;
    int visibleStructures = 0;
    int culledStructures = 0;
    int gpuMemoryMB = 0;

    bool operator==(const RenderStats&) const = default;
};

} // namespace morvena
