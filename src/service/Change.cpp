#include "service/Change.h"

#include "app/LeadingNumber.h"
#include "app/TextFormat.h"

QString ChangeText(QStringView received, QStringView payable)
{
    return AmountText(LeadingReal(received) - LeadingReal(payable));
}
