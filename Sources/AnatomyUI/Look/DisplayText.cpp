#include "AnatomyUI/Look/DisplayText.h"

#include <QLocale>

namespace morvena::DisplayText {

QString byteSize(std::int64_t bytes)
{
    // Qt names bytes in English below a kilobyte.
    if (bytes < 1000)
        return QLocale().toString(static_cast<qlonglong>(bytes)) + QStringLiteral(" byte");
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString count(std::int64_t value)
{
    return QLocale().toString(static_cast<qlonglong>(value));
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString buttonLabel(const QString& text)
{
    QString label = text;
    return label.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace morvena::DisplayText
