#pragma once

#include <QFont>
#include <QSize>
#include <QStringList>

// How the text of a room's lamp fits the lamp's face. The words (the technician numbers, or
// "空闲" / "入客") wrap onto as many lines as the face holds, in the largest font size from
// the lamp's own down to MinimumPixelSize. Extra lines (for example the minutes a service has
// run) follow the words on lines of their own and always stay. What does not fit even in the
// smallest size is elided with "…": a word wider than the face, or the last line of words
// when there are more lines than the face holds.
struct LampText
{
    static constexpr int MinimumPixelSize = 8;
    static inline const QString Ellipsis = QStringLiteral("…");

    QFont font;
    QStringList lines;
    bool complete = true; // every word is shown whole

    static LampText fit(const QString& text, const QSize& area, const QFont& font, const QStringList& extraLines = {});

    // The step from one line to the next. The lamp's lines are numbers and a few short words,
    // which need far less than the leading of a CJK face (nearly one and a half times its
    // size): a quarter of the size between lines keeps three lines legible on a small lamp.
    static int lineHeight(const QFont& font);
};
