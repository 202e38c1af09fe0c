#include "skin/UnaddedTyping.h"

#include "app/MessageService.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

const QString UnaddedTypingQuestion = QStringLiteral("有输入的资料还没有添加,是否放弃?");

namespace {

QString FieldText(const QWidget* field)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(field))
        return edit->text();
    if (const auto* box = qobject_cast<const QComboBox*>(field))
        return box->currentText();
    if (const auto* text = qobject_cast<const QTextEdit*>(field))
        return text->toPlainText();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(field))
        return plain->toPlainText();
    return {};
}

} // namespace

FieldSnapshot::FieldSnapshot(QList<QWidget*> fields)
    : m_fields(std::move(fields))
{
    take();
}

QStringList FieldSnapshot::texts() const
{
    QStringList texts;
    for (const QWidget* field : m_fields)
        texts << FieldText(field);
    return texts;
}

void FieldSnapshot::take()
{
    m_taken = texts();
}

bool FieldSnapshot::changed() const
{
    return texts() != m_taken;
}

bool MayDiscardTyping(MessageService& messages, bool typed)
{
    return !typed || messages.ask(UnaddedTypingQuestion, QStringLiteral("警告"), MessageService::Icon::Warning);
}
