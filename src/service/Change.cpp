#include "service/Change.h"

#include "app/Money.h"
#include "app/TypedNumber.h"

QString ChangeText(QStringView received, QStringView payable)
{
    return (Money::fromText(PlainTypedText(received)) - Money::fromText(payable)).text();
}
