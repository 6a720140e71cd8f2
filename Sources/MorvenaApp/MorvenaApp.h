#pragma once

namespace morvena {

// The viewer program: one window over the application model, or with "--ui-snapshot"
// among its arguments one picture of that window.
namespace MorvenaApp {

// The whole program; returns its exit status.
int main(int argc, char** argv);

} // namespace MorvenaApp

} // namespace morvena
