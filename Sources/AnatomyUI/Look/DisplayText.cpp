#include "AnatomyUI/Look/DisplayText.h"

#include <QFontMetrics>
#include <QLocale>
#include <QTextBoundaryFinder>
#include <QToolTip>

namespace morvena::DisplayText {

namespace {

// A line may end here; nothing is drawn.
constexpr QChar zeroWidthSpace(0x200B);
// The widest tooltip line, in average characters: about the width Qt gives a
// tooltip paragraph.
constexpr int toolTipCharacters = 80;

// The run with a break between every two of its user-perceived characters.
QString breakableEverywhere(QStringView run)
{
    QString result;
    result.reserve(run.size() * 2);
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, run);
    qsizetype start = 0;
    for (qsizetype end = characters.toNextBoundary(); end != -1; end = characters.toNextBoundary()) {
        if (start > 0)
            result += zeroWidthSpace;
        result += run.sliced(start, end - start);
        start = end;
    }
    return result;
}

} // namespace

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

QString breakingWideRuns(const QString& text, const QFontMetrics& metrics, int width)
{
    QString result;
    QTextBoundaryFinder lines(QTextBoundaryFinder::Line, text);
    qsizetype start = 0;
    for (qsizetype end = lines.toNextBoundary(); end != -1; end = lines.toNextBoundary()) {
        const QStringView run = QStringView(text).sliced(start, end - start);
        if (metrics.horizontalAdvance(run.trimmed().toString()) > width)
            result += breakableEverywhere(run);
        else
            result += run;
        start = end;
    }
    return result;
}

QString toolTip(const QString& text)
{
    const QFontMetrics metrics(QToolTip::font());
    const int widest = metrics.averageCharWidth() * toolTipCharacters;
    if (metrics.horizontalAdvance(text) <= widest)
        return text;
    // Qt makes a plain tooltip as wide as its one line, thousands of pixels for a long
    // name; a paragraph wraps.
    return QStringLiteral("<p>") + breakingWideRuns(text, metrics, widest).toHtmlEscaped()
        + QStringLiteral("</p>");
}

} // namespace morvena::DisplayText
