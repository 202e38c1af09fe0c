#pragma once

#include "app/FileChooser.h"

#include <QQueue>
#include <QStringList>

// Answers the save dialog from a queue of paths; an empty queue cancels. Keeps the suggested
// path of every question.
class ScriptedFileChooser : public FileChooser
{
public:
    std::optional<QString> chooseSaveFile(QWidget*, const QString&, const QString& suggested, const QString&) override
    {
        suggestions.append(suggested);
        if (m_answers.isEmpty())
            return std::nullopt;
        return m_answers.dequeue();
    }

    void queuePath(const QString& path) { m_answers.enqueue(path); }

    QStringList suggestions;

private:
    QQueue<QString> m_answers;
};
