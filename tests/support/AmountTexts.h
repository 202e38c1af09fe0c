#pragma once

#include <QStringList>

// Texts that stored amounts and counts are read from, for the tests of every reading of them
// (C++, the file's spellings, the server's functions).

// The odd ones: empty, blanks before and text after the number, signs, exponents with and
// without digits, a hexadecimal, a second point, a comma, a full-width blank and an
// Arabic-Indic digit.
QStringList OddAmountTexts();

// `count` texts as the desk writes amounts and hands write them: up to five places, half fen,
// signs, an exponent, "元" after the number, a blank before it. The same seed gives the same
// texts.
QStringList StoredAmountTexts(int count, unsigned seed = 18);
