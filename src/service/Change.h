#pragma once

#include <QString>

// The change to hand back: the leading number of the received text less that of the payable
// text, "%.2f", negative when too little was received. Neither text is stored anywhere.
QString ChangeText(QStringView received, QStringView payable);
