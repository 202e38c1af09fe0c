#include "service/Change.h"

#include "app/Money.h"

TypedRule ReceivedRule()
{
    return TypedRule::amount().orEmptyAsZero();
}

Outcome<QString> ChangeText(QStringView received, QStringView payable)
{
    const TypedRule rule = ReceivedRule();
    const TypedReading reading = ReadTyped(received, rule);
    if (!reading.ok())
        return Refusal { TypedProblemText(reading.problem, ReceivedField, rule) };
    return (TypedMoney(reading) - Money::fromText(payable)).text();
}
