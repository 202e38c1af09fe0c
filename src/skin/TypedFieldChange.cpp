#include "skin/TypedFieldChange.h"

#include "app/MessageService.h"

#include <QLineEdit>
#include <QSignalBlocker>

std::optional<Decimal> TakeTypedChange(
    QLineEdit& box, QString& accepted, const QString& field, const TypedRule& rule, MessageService& messages)
{
    // A lone point is how ".5" begins, key by key: it counts 0 until the digits follow.
    if (PlainTypedText(box.text()) == u".") {
        accepted = box.text();
        return Decimal();
    }
    const TypedReading typed = ReadTyped(box.text(), rule);
    if (typed.ok()) {
        accepted = box.text();
        return typed.value;
    }
    {
        // The old text is back before the reason shows, so that the box never holds a refused one.
        const QSignalBlocker quiet(box);
        box.setText(accepted);
    }
    messages.inform(TypedProblemText(typed.problem, field, rule));
    return std::nullopt;
}
