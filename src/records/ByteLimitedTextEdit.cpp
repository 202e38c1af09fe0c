#include "records/ByteLimitedTextEdit.h"

#include "records/ByteLimit.h"

#include <QTextCursor>

ByteLimitedTextEdit::ByteLimitedTextEdit(int byteLimit, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_byteLimit(byteLimit)
{
    connect(this, &QPlainTextEdit::textChanged, this, &ByteLimitedTextEdit::fitTyping);
}

void ByteLimitedTextEdit::setStoredText(const QString& text)
{
    m_fitting = true;
    setPlainText(text);
    m_fitting = false;
}

void ByteLimitedTextEdit::fitTyping()
{
    if (m_fitting)
        return;
    const QString text = toPlainText();
    if (TextByteCount(text) <= m_byteLimit)
        return;
    const FittedText fitted = FitToByteLimit(text, textCursor().position(), m_byteLimit);
    m_fitting = true;
    setPlainText(fitted.text);
    QTextCursor cursor = textCursor();
    cursor.setPosition(fitted.cursor);
    setTextCursor(cursor);
    m_fitting = false;
}
