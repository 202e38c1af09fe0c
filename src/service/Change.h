#pragma once

#include <QString>

// The change to hand back, in fen: the leading number of the received text (full-width digits
// typed by an input method count as digits) less that of the payable text, "%.2f", negative
// when too little was received. Neither text is stored anywhere.
QString ChangeText(QStringView received, QStringView payable);
