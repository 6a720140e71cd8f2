#pragma once

class QAbstractButton;

namespace morvena {

// The buttons of glass surfaces: bordered, or filled with the accent colour when
// prominent.
void applyGlassButtonStyle(QAbstractButton& button, bool prominent);

} // namespace morvena
