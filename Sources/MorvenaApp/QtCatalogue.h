#pragma once

class QCoreApplication;

namespace morvena {

// Qt's own texts (the stock file dialogs, the context menus of text fields, the
// questions they ask) in Italian, like every text of the viewer whatever the
// user's language.
namespace QtCatalogue {

// Loads Qt's Italian catalogue into the application; false when it is not installed
// (Debian's qt6-translations-l10n), which leaves Qt's texts in English.
bool installItalian(QCoreApplication& application);

} // namespace QtCatalogue

} // namespace morvena
