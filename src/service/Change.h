#pragma once

#include "app/Outcome.h"
#include "app/TypedNumber.h"

#include <QString>

// The payment box "收款": an amount to the fen, read strictly (full-width digits typed by an
// input method count as digits); an empty box counts 0.
inline const QString ReceivedField = QStringLiteral("收款");
TypedRule ReceivedRule();

// The change to hand back, in fen: the received text less the payable one, "%.2f", negative
// when too little was received. A received text that is not an amount ("12,5", "1e308", "-3")
// is refused with the reason rather than taken as 0. Neither text is stored anywhere.
Outcome<QString> ChangeText(QStringView received, QStringView payable);
