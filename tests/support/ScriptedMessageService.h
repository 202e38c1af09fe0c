#pragma once

#include "app/MessageService.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

// A message service for tests: it records every text shown and answers questions from a
// queue (OK when the queue is empty, unless the default answer was changed).
class ScriptedMessageService : public MessageService
{
public:
    struct Shown
    {
        QString text;
        QString caption;
        bool question = false;
    };

    void inform(const QString& text, const QString& caption = {}, Icon icon = Icon::Information) override;
    bool ask(const QString& text, const QString& caption = {}, Icon icon = Icon::Question) override;

    void queueAnswer(bool ok) { m_answers.enqueue(ok); }
    // A password question is recorded as a question and answered from this queue; an empty
    // queue cancels it.
    std::optional<QString> askPassword(const QString& text, const QString& caption = {}) override;
    void queuePassword(const QString& password) { m_passwords.enqueue(password); }
    void setDefaultAnswer(bool ok) { m_defaultAnswer = ok; }

    // Called after each text is recorded; lets a test react while a modal step is running.
    void setObserver(std::function<void(const Shown&)> observer) { m_observer = std::move(observer); }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList texts() const;
    QString lastText() const { return m_shown.isEmpty() ? QString() : m_shown.last().text; }
    bool contains(const QString& text) const { return texts().contains(text); }
    void clear() { m_shown.clear(); }

private:
    QList<Shown> m_shown;
    QQueue<bool> m_answers;
    QQueue<QString> m_passwords;
    bool m_defaultAnswer = true;
    std::function<void(const Shown&)> m_observer;
};
