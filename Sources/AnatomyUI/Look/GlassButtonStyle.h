#pragma once

class QAbstractButton;

namespace morvena {

// How much room a control takes around its label: small ones sit in tight rows.
enum class ControlSize { regular, small };

// The buttons of glass surfaces: bordered, or filled with the accent colour when
// prominent. Disabled, either kind is bordered, its text in the disabled colour of the
// palette the button has when styled.
void applyGlassButtonStyle(QAbstractButton& button, bool prominent, ControlSize size = ControlSize::regular);

} // namespace morvena
