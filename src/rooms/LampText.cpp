#include "rooms/LampText.h"

#include <QFontMetrics>
#include <QtMath>

#include <algorithm>

namespace {

// The words on lines of at most `width` pixels, each line as full as it goes; a word wider
// than `width` stands on a line of its own.
QStringList wrapped(const QStringList& words, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    QString line;
    for (const QString& word : words) {
        const QString longer = line.isEmpty() ? word : line + u' ' + word;
        if (line.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
            line = longer;
        } else {
            lines << line;
            line = word;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

bool allFit(const QStringList& lines, const QFontMetrics& metrics, int width)
{
    return std::all_of(lines.cbegin(), lines.cend(),
        [&metrics, width](const QString& line) { return metrics.horizontalAdvance(line) <= width; });
}

int lineCapacity(const QFont& font, int height)
{
    return std::max(1, height / std::max(1, LampText::lineHeight(font)));
}

} // namespace

int LampText::lineHeight(const QFont& font)
{
    return qCeil(font.pixelSize() * 1.25);
}

LampText LampText::fit(const QString& text, const QSize& area, const QFont& font, const QStringList& extraLines)
{
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    LampText result;
    result.font = font;
    const int largest = std::max(font.pixelSize(), MinimumPixelSize);
    for (int size = largest; size >= MinimumPixelSize; --size) {
        result.font.setPixelSize(size);
        const QFontMetrics metrics(result.font);
        const QStringList lines = wrapped(words, metrics, area.width()) + extraLines;
        if (lines.size() <= lineCapacity(result.font, area.height()) && allFit(lines, metrics, area.width())) {
            result.lines = lines;
            return result;
        }
    }

    // Even the smallest size is too large: show what fits and mark what does not.
    const QFontMetrics metrics(result.font);
    const int width = area.width();
    QStringList lines = wrapped(words, metrics, width);
    const qsizetype wordLines = std::max<qsizetype>(1, lineCapacity(result.font, area.height()) - extraLines.size());
    if (lines.size() > wordLines) {
        lines = lines.mid(0, wordLines);
        // A dropped word is shown as "…" at the end of the last line kept.
        QString& last = lines.last();
        while (!last.isEmpty() && metrics.horizontalAdvance(last + Ellipsis) > width)
            last.chop(1);
        last = last.trimmed() + Ellipsis;
    }
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideRight, width);
    for (const QString& extra : extraLines)
        lines << metrics.elidedText(extra, Qt::ElideRight, width);
    result.lines = lines;
    result.complete = false;
    return result;
}
