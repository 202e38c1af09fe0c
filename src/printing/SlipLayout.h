#pragma once

#include <QString>
#include <QStringList>

// The lines of a slip on a roll of a fixed number of columns: 32 on a 58 mm roll, 48 on an
// 80 mm one. A printer in Chinese mode prints an East Asian wide or full-width character two
// columns wide and any other one column wide, so widths are counted in columns, never in
// characters. Nothing is wrapped behind the caller's back: a name too long for its column is
// cut, so that an amount always stands at the right edge of its own line.
class SlipLayout
{
public:
    explicit SlipLayout(int columns);

    int columns() const { return m_columns; }

    // One cell of a row: its text and the columns it takes, aligned right (an amount) or left.
    struct Cell
    {
        QString text;
        int width = 0;
        bool right = true;
    };

    // A row: the first text takes what the cells right of it leave and is cut to fit; each
    // cell gets at least its width, more when its text is longer (then the first text gives
    // way). A cell is parted from the one left of it by at least one space.
    QString row(const QString& first, const QList<Cell>& cells) const;
    // A label at the left and a value at the right edge.
    QString pair(const QString& label, const QString& value) const;
    QString centred(const QString& text) const;
    QString rule(QChar mark = u'-') const;
    // A long text on as many lines as it needs, each no wider than the roll (or `columns`).
    QStringList wrapped(const QString& text, int columns = 0) const;

    static int roundedColumns(int rollWidthMillimetres) { return rollWidthMillimetres == 58 ? 32 : 48; }

    // The columns a character takes: 2 for the East Asian wide and full-width ones.
    static int width(char32_t code);
    static int width(const QString& text);
    // The longest head of the text that takes at most `columns`.
    static QString cut(const QString& text, int columns);
    static QString padRight(const QString& text, int columns);
    static QString padLeft(const QString& text, int columns);

private:
    int m_columns;
};
