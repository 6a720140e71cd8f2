#pragma once

#include <QString>

namespace morvena {

class AppModel;

// The window's title and subtitle, functions of the model alone.
namespace WindowTitle {

// The first selected structure's display name, cut after 80 characters (and as
// many code points as a name in the window) with "…"; else "Morvena".
QString title(const AppModel& model);
// What the window is doing, or in the ready phase what it shows; the concept ID as
// drawn (ShownText::id, left out when that is empty) and the dataset's name cut as the
// title's name is.
QString subtitle(const AppModel& model);
// title + " — " + subtitle, the title alone when the subtitle is empty.
QString windowTitle(const AppModel& model);

} // namespace WindowTitle

} // namespace morvena
