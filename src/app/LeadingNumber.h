#pragma once

#include <QStringView>

// Numbers kept as text are read by their leading number: blanks are skipped, then an
// optional sign and the digits (and for reals a decimal point and exponent) that follow.
// Text that does not begin with a number counts 0, so "4abc" is 4 and "abc" is 0.
int LeadingInt(QStringView text);
double LeadingReal(QStringView text);
