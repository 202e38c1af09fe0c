#include "support/ScriptedMessageService.h"

void ScriptedMessageService::inform(const QString& text, const QString& caption, Icon)
{
    m_shown.append({ text, caption, false });
    if (m_observer)
        m_observer(m_shown.last());
}

bool ScriptedMessageService::ask(const QString& text, const QString& caption, Icon)
{
    m_shown.append({ text, caption, true });
    if (m_observer)
        m_observer(m_shown.last());
    return m_answers.isEmpty() ? m_defaultAnswer : m_answers.dequeue();
}

std::optional<QString> ScriptedMessageService::askPassword(const QString& text, const QString& caption)
{
    m_shown.append({ text, caption, true });
    if (m_observer)
        m_observer(m_shown.last());
    if (m_passwords.isEmpty())
        return std::nullopt;
    return m_passwords.dequeue();
}

QStringList ScriptedMessageService::texts() const
{
    QStringList result;
    for (const Shown& entry : m_shown)
        result.append(entry.text);
    return result;
}
