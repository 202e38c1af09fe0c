#pragma once

#include <QPlainTextEdit>

// A multi-line field that takes at most a number of bytes (a Chinese character counts 2):
// what is typed or pasted beyond the limit is cut off. Texts the program puts in with
// setStoredText() are shown whole.
class ByteLimitedTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    ByteLimitedTextEdit(int byteLimit, QWidget* parent = nullptr);

    int byteLimit() const { return m_byteLimit; }
    void setStoredText(const QString& text);

private:
    void fitTyping();

    int m_byteLimit;
    bool m_fitting = false;
};
