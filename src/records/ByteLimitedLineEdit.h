#pragma once

#include <QLineEdit>

// A line field that takes at most a number of bytes (a Chinese character counts 2): what is
// typed or pasted beyond the limit is cut off. Texts the program puts in with setStoredText()
// are shown whole, so that a longer stored value is not shortened behind the user's back.
class ByteLimitedLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    ByteLimitedLineEdit(int byteLimit, QWidget* parent = nullptr);

    int byteLimit() const { return m_byteLimit; }
    void setStoredText(const QString& text);

private:
    int m_byteLimit;
};
