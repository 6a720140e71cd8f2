#pragma once

class QFileDialog;

namespace morvena {

// What the viewer's three file dialogs (the image export's, the generic import's and
// the BodyParts3D folder's) share: Qt's own dialog rather than the desktop's, a type
// column in Italian whatever the system's language ("Cartella", "File PNG", "File"),
// and a list that shows its whole header, whatever widths Qt restores for it, with no
// column narrower than its title and the names over at least 40 % of the list, in a
// dialog at most 90 % as wide as the screen.
namespace FileDialogs {

void prepare(QFileDialog& dialog);

} // namespace FileDialogs

} // namespace morvena
