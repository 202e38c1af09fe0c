#include "app/LeadingNumber.h"

#include <QString>

#include <limits>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The blanks of the C runtime (and of the database's own reading): space, tab, line and page
// breaks. A full-width space is text, so "　9" counts 0.
bool isBlank(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

qsizetype skipBlanks(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

} // namespace

int LeadingInt(QStringView text)
{
    qsizetype i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    constexpr long long limit = std::numeric_limits<int>::max();
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > limit + 1)
            value = limit + 1; // saturate like the C runtime does
    }
    if (negative)
        return static_cast<int>(-value < std::numeric_limits<int>::min() ? std::numeric_limits<int>::min() : -value);
    return static_cast<int>(value > limit ? limit : value);
}

double LeadingReal(QStringView text)
{
    const qsizetype start = skipBlanks(text);
    qsizetype i = start;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            end = j;
        }
    }
    bool ok = false;
    const double value = text.mid(start, end - start).toString().toDouble(&ok);
    return ok ? value : 0.0;
}
