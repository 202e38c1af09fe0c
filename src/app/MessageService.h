#pragma once

#include <QString>

#include <optional>

// Every message and OK/Cancel question of the desk goes through this service, so that a test
// can read the texts shown and answer the questions (see ScriptedMessageService).
class MessageService
{
public:
    enum class Icon { Information, Warning, Critical, Question };

    virtual ~MessageService() = default;

    // Shows `text` with an OK button. An empty caption means the application's title.
    virtual void inform(const QString& text, const QString& caption = {}, Icon icon = Icon::Information) = 0;

    // Asks `text` with OK and Cancel; true when the user chose OK.
    virtual bool ask(const QString& text, const QString& caption = {}, Icon icon = Icon::Question) = 0;

    // Asks `text` for a password, typed unseen, with OK and Cancel; nothing when the user
    // cancelled. A service that cannot ask answers nothing.
    virtual std::optional<QString> askPassword(const QString& text, const QString& caption = {})
    {
        Q_UNUSED(text)
        Q_UNUSED(caption)
        return std::nullopt;
    }
};
