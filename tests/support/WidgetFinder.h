#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <functional>

// Finds the visible push button (or any QAbstractButton) of `parent` with the given text.
inline QAbstractButton* FindButton(const QWidget* parent, const QString& text)
{
    const QList<QAbstractButton*> buttons = parent->findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// Runs `step` on the next modal dialog of type T that opens, then returns. Use it before the
// action that opens the dialog: the step runs from the event loop of the dialog's exec().
template <typename T> void WhenDialogOpens(std::function<void(T*)> step, int attempts = 100)
{
    QTimer::singleShot(10, [step, attempts] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<T*>(widget); dialog && dialog->isVisible()) {
                step(dialog);
                return;
            }
        }
        if (attempts > 0)
            WhenDialogOpens<T>(step, attempts - 1);
    });
}
