#pragma once

namespace morvena::tool::DrawableSize {

// With the OpenGL context current: when the GPU cannot hold a target of width ×
// height pixels, prints why and ends the command with status 1.
void refuseOversized(long long width, long long height);
// The same, and sizes below 2 × 2 pixels, which nothing can be drawn into, are
// refused too.
void refuseUnusable(long long width, long long height);

} // namespace morvena::tool::DrawableSize
