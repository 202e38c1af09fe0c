#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class MessageService;
class QWidget;

// Typing in a record form that was never added: closing the form would throw it away
// without a word. A dialog keeps a snapshot of its fields' texts as it last put them there
// (after showing a record, clearing, adding or changing one); texts that differ from it are
// typed and not added.
class FieldSnapshot
{
public:
    explicit FieldSnapshot(QList<QWidget*> fields = {});

    // Remembers the texts the fields show now.
    void take();
    // Whether any field shows other text than when the snapshot was taken.
    bool changed() const;

private:
    QStringList texts() const;

    QList<QWidget*> m_fields;
    QStringList m_taken;
};

// The question asked before typing that was not added is given up.
extern const QString UnaddedTypingQuestion; // "有输入的资料还没有添加,是否放弃?"

// Whether the dialog may close: yes when nothing typed would be lost, or when the desk chose to
// give it up.
bool MayDiscardTyping(MessageService& messages, bool typed);
