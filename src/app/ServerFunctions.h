#pragma once

#include <QStringList>
#include <QStringView>

// On a PostgreSQL server, the functions through which statements read the numbers and amounts
// kept as text, with exactly the results the desk gets from a file (SQLite reads a text's
// leading number itself; the exact sums are functions this program gives its connection):
//
//   tavrel_leading_integer(text) → bigint    the leading whole number, as SQLite's CAST to
//       INTEGER: "3abc" is 3, " 4" is 4, "1e2" is 1, "abc" is 0; beyond 64 bits it stops at
//       the largest (smallest) number they hold. Within 32 bits it is LeadingInt().
//   tavrel_leading_real(text) → double precision    the leading number with its point and
//       exponent, as LeadingReal() reads it: the nearest double to the number as written;
//       beyond a double's range ±Infinity (as SQLite), below it 0.
//   tavrel_leading_fen(text) → bigint    the leading number as written, rounded once to whole
//       fen, half away from zero: Money::fromText ("1.005" is 101, "12.5元" is 1250).
//   tavrel_fen(text) → bigint    the same, with 0 for a null (as the function of that name on a
//       file).
//   tavrel_fen_sum(text) → bigint    the aggregate of tavrel_fen: the exact sum, 0 over no
//       rows, nulls skipped, "金额超出范围" as an error when it leaves 64 bits.
//
// The first three give null for null, as SQLite's CAST does. Text has only ASCII blanks (space,
// tab, line and page breaks) before a number and only ASCII digits in it: "　9" and "１５" are 0.
// All are IMMUTABLE and PARALLEL SAFE and written in SQL and PL/pgSQL (no extension to install).
namespace ServerFunctions {

inline constexpr QStringView LeadingInteger = u"tavrel_leading_integer";
inline constexpr QStringView LeadingReal = u"tavrel_leading_real";
inline constexpr QStringView LeadingFen = u"tavrel_leading_fen";
inline constexpr QStringView Fen = u"tavrel_fen";
inline constexpr QStringView FenSum = u"tavrel_fen_sum";

// The statements that create the functions (or replace those of an earlier version) in the
// current schema. Each is run on its own and as it is: they take no parameters, and a
// dollar-quoted body holds question marks and colons that a prepared statement would take for
// placeholders. Running them again changes nothing.
QStringList statements();

} // namespace ServerFunctions
