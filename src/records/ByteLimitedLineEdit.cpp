#include "records/ByteLimitedLineEdit.h"

#include "records/ByteLimit.h"

ByteLimitedLineEdit::ByteLimitedLineEdit(int byteLimit, QWidget* parent)
    : QLineEdit(parent)
    , m_byteLimit(byteLimit)
{
    setValidator(new ByteLimitValidator(byteLimit, this));
}

void ByteLimitedLineEdit::setStoredText(const QString& text)
{
    // The validator would fit even a text set here; it is set aside for this one step.
    const QValidator* limit = validator();
    setValidator(nullptr);
    setText(text);
    setValidator(limit);
}
