#include "records/ByteLimit.h"

int TextByteCount(QStringView text)
{
    int bytes = 0;
    for (const QChar c : text)
        bytes += c.unicode() < 0x80 ? 1 : 2;
    return bytes;
}

namespace {

// The length of the character that ends just before `position` (2 for a surrogate pair).
int characterBefore(const QString& text, int position)
{
    if (position >= 2 && text[position - 1].isLowSurrogate() && text[position - 2].isHighSurrogate())
        return 2;
    return 1;
}

} // namespace

FittedText FitToByteLimit(const QString& text, int cursor, int limit)
{
    FittedText fitted { text, qBound(0, cursor, static_cast<int>(text.size())) };
    int bytes = TextByteCount(fitted.text);
    while (bytes > limit && fitted.cursor > 0) {
        const int length = characterBefore(fitted.text, fitted.cursor);
        bytes -= TextByteCount(QStringView(fitted.text).mid(fitted.cursor - length, length));
        fitted.text.remove(fitted.cursor - length, length);
        fitted.cursor -= length;
    }
    while (bytes > limit && !fitted.text.isEmpty()) {
        const int end = static_cast<int>(fitted.text.size());
        const int length = characterBefore(fitted.text, end);
        bytes -= TextByteCount(QStringView(fitted.text).mid(end - length, length));
        fitted.text.chop(length);
    }
    fitted.cursor = qMin(fitted.cursor, static_cast<int>(fitted.text.size()));
    return fitted;
}

ByteLimitValidator::ByteLimitValidator(int limit, QObject* parent)
    : QValidator(parent)
    , m_limit(limit)
{ }

QValidator::State ByteLimitValidator::validate(QString& input, int& position) const
{
    if (TextByteCount(input) > m_limit) {
        const FittedText fitted = FitToByteLimit(input, position, m_limit);
        input = fitted.text;
        position = fitted.cursor;
    }
    return Acceptable;
}
