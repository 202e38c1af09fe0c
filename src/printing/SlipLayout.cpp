#include "printing/SlipLayout.h"

#include <QList>

#include <algorithm>

SlipLayout::SlipLayout(int columns)
    : m_columns(std::max(columns, 16))
{ }

int SlipLayout::width(char32_t code)
{
    // The East Asian Wide (W) and Fullwidth (F) ranges that occur in Chinese text.
    static constexpr std::pair<char32_t, char32_t> Wide[] = {
        { 0x1100, 0x115f }, // Hangul Jamo initials
        { 0x2e80, 0x303e }, // CJK radicals, punctuation (、。「」)
        { 0x3041, 0x33ff }, // kana, bopomofo, CJK compatibility
        { 0x3400, 0x4dbf }, // CJK extension A
        { 0x4e00, 0x9fff }, // CJK unified ideographs
        { 0xa000, 0xa4cf }, // Yi
        { 0xac00, 0xd7a3 }, // Hangul syllables
        { 0xf900, 0xfaff }, // CJK compatibility ideographs
        { 0xfe30, 0xfe4f }, // CJK compatibility forms
        { 0xff00, 0xff60 }, // full-width forms (，：（）)
        { 0xffe0, 0xffe6 }, // full-width signs (￥)
        { 0x20000, 0x2fffd },
        { 0x30000, 0x3fffd },
    };
    for (const auto& [first, last] : Wide) {
        if (code < first)
            return 1;
        if (code <= last)
            return 2;
    }
    return 1;
}

int SlipLayout::width(const QString& text)
{
    int columns = 0;
    for (const char32_t code : text.toUcs4())
        columns += width(code);
    return columns;
}

QString SlipLayout::cut(const QString& text, int columns)
{
    QString head;
    int used = 0;
    for (const char32_t code : text.toUcs4()) {
        used += width(code);
        if (used > columns)
            break;
        head.append(QString::fromUcs4(&code, 1));
    }
    return head;
}

QString SlipLayout::padRight(const QString& text, int columns)
{
    return text + QString(std::max(0, columns - width(text)), u' ');
}

QString SlipLayout::padLeft(const QString& text, int columns)
{
    return QString(std::max(0, columns - width(text)), u' ') + text;
}

QString SlipLayout::row(const QString& first, const QList<Cell>& cells) const
{
    QString right;
    for (const Cell& cell : cells) {
        const int cellWidth = std::max(cell.width, width(cell.text) + 1);
        right += cell.right ? padLeft(cell.text, cellWidth) : u' ' + padRight(cell.text, cellWidth - 1);
    }
    // The cells never leave the roll: the rightmost is kept whole, those left of it give way.
    while (width(right) > m_columns)
        right.remove(0, right.front().isHighSurrogate() ? 2 : 1);
    const int room = m_columns - width(right);
    return padRight(cut(first, room), room) + right;
}

QString SlipLayout::pair(const QString& label, const QString& value) const
{
    return row(label, { Cell { value, 0, true } });
}

QString SlipLayout::centred(const QString& text) const
{
    const QString shown = cut(text, m_columns);
    return QString((m_columns - width(shown)) / 2, u' ') + shown;
}

QString SlipLayout::rule(QChar mark) const
{
    return QString(m_columns, mark);
}

QStringList SlipLayout::wrapped(const QString& text, int columns) const
{
    const int limit = columns > 0 ? columns : m_columns;
    QStringList lines;
    QString current;
    int used = 0;
    for (const char32_t code : text.toUcs4()) {
        const int taken = width(code);
        if (used + taken > limit) {
            lines.append(current);
            current.clear();
            used = 0;
        }
        current.append(QString::fromUcs4(&code, 1));
        used += taken;
    }
    if (!current.isEmpty() || lines.isEmpty())
        lines.append(current);
    return lines;
}
