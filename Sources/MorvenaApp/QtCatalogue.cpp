#include "MorvenaApp/QtCatalogue.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace morvena::QtCatalogue {

bool installItalian(QCoreApplication& application)
{
    auto catalogue = std::make_unique<QTranslator>();
    const bool loaded = catalogue->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded || !QCoreApplication::installTranslator(catalogue.get()))
        return false;
    // The application keeps it for as long as Qt may ask it for a text.
    catalogue.release()->setParent(&application);
    return true;
}

} // namespace morvena::QtCatalogue
