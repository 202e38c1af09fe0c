#pragma once

#include <QString>
#include <QValidator>

// Field limits are counted in bytes of the desk's Chinese code page: a character below 0x80
// counts 1, every other character 2 (a character outside the basic plane, two UTF-16 units,
// counts 4).
int TextByteCount(QStringView text);

struct FittedText
{
    QString text;
    int cursor = 0;
};

// Fits `text` into `limit` bytes the way typing into a limited field does: the characters just
// before `cursor` (what was typed or pasted last) are dropped first, then characters at the end.
FittedText FitToByteLimit(const QString& text, int cursor, int limit);

// Keeps a line edit within a byte limit; typing or pasting beyond it is cut off.
class ByteLimitValidator : public QValidator
{
    Q_OBJECT

public:
    ByteLimitValidator(int limit, QObject* parent);

    int limit() const { return m_limit; }
    State validate(QString& input, int& position) const override;

private:
    int m_limit;
};
