#pragma once

#include "app/TypedNumber.h"

#include <QString>

#include <optional>

class MessageService;
class QLineEdit;

// A box whose every change is taken at once (an amount on the salary sheet, the payment at
// checkout) reads it strictly as it is typed. A text the field does not take is refused: the
// box shows `accepted`, the text it last took, again, and the reason is told ("罚款不是一个
// 数字!"). On success `accepted` becomes the box's text and its value is returned; nothing
// when refused. Putting the old text back changes the box without its signals.
std::optional<Decimal> TakeTypedChange(
    QLineEdit& box, QString& accepted, const QString& field, const TypedRule& rule, MessageService& messages);
