#include "app/ServerFunctions.h"

namespace {

// The leading number of a text, in parts: 1 its sign, 2 the digits before the point, 3 those
// after it (null without a point), 4 and 5 the exponent's sign and digits (null without an
// exponent: an "e" counts only with a digit after it and its sign). It matches every text,
// the empty parts of one that does not begin with a number included.
const QString NumberParts = QStringLiteral(
    R"sql(regexp_match(amount, '^[\t\n\v\f\r ]*([-+]?)([0-9]*)(?:\.([0-9]*))?(?:[eE]([-+]?)([0-9]+))?'))sql");

// An amount as the desk writes it ("12.50", "-3", "7."): numeric reads it exactly, and its fen
// fit 64 bits. Checked first, so that a sum over a million receipts reads most of them in one
// step.
const QString PlainAmount = QStringLiteral(R"sql(length(amount) <= 16 AND amount ~ '^-?[0-9]+(\.[0-9]?[0-9]?)?$')sql");

// From `parts` (NumberParts): `digits` are all the digits of the number, `significant` those from
// the first one that is not 0, and the number is 0.<significant> × 10^point. The exponent's
// reading stops at six digits, as Money::fromText's does; no number with a digit that is not 0
// is near the fen then.
const QString SignificantDigits = QStringLiteral(R"sql(
    digits := parts[2] || coalesce(parts[3], '');
    significant := ltrim(digits, '0');
    point := length(parts[2]) - length(digits) + length(significant);
    IF parts[5] IS NOT NULL THEN
        point := point + CASE WHEN parts[4] = '-' THEN -1 ELSE 1 END
            * coalesce(nullif(left(ltrim(parts[5], '0'), 6), '')::integer, 0);
    END IF;)sql");

// The variables SignificantDigits fills, declared in the function that uses it.
const QString NumberVariables = QStringLiteral(R"sql(parts text[];
    digits text;
    significant text;
    point integer;)sql");

// A function in PL/pgSQL: what it returns depends on its arguments alone (so that an index
// may hold it and a statement may call it from parallel workers), and null gives null.
QString plpgsqlFunction(const QString& signature, const QString& body)
{
    return QStringLiteral(
        "CREATE OR REPLACE FUNCTION %1\nLANGUAGE plpgsql IMMUTABLE STRICT PARALLEL SAFE AS $body$%2$body$")
        .arg(signature, body);
}

QString leadingInteger()
{
    // A whole number of up to 18 digits fits; past that the digits are read as numeric and
    // held at the ends of 64 bits. (A counted repetition such as [0-9]{1,18} costs the
    // server's regular expressions several times a length check.)
    return plpgsqlFunction(QStringLiteral("tavrel_leading_integer(amount text) RETURNS bigint"), QStringLiteral(R"sql(
DECLARE
    parts text[];
    magnitude numeric;
BEGIN
    IF length(amount) <= 18 AND amount ~ '^-?[0-9]+$' THEN
        RETURN amount::bigint;
    END IF;
    parts := regexp_match(amount, '^[\t\n\v\f\r ]*([-+]?)([0-9]+)');
    IF parts IS NULL THEN
        RETURN 0;
    END IF;
    magnitude := parts[2]::numeric;
    IF parts[1] = '-' THEN
        RETURN greatest(-magnitude, -9223372036854775808);
    END IF;
    RETURN least(magnitude, 9223372036854775807);
END
)sql"));
}

QString leadingReal()
{
    // The number's own text goes to the server's reading of a double, which is the nearest one.
    // Only a number far from 1 can leave a double's range, and that reading then fails; such a
    // number alone is read inside a block that catches it.
    return plpgsqlFunction(QStringLiteral("tavrel_leading_real(amount text) RETURNS double precision"),
        QStringLiteral(R"sql(
DECLARE
    %1
    number text;
BEGIN
    parts := %2;
    IF parts[2] = '' AND coalesce(parts[3], '') = '' THEN
        RETURN 0;
    END IF;
    number := parts[1] || parts[2] || '.' || coalesce(parts[3], '') || coalesce('e' || parts[4] || parts[5], '');
    %3
    IF significant = '' OR point BETWEEN -300 AND 300 THEN
        RETURN number::double precision;
    END IF;
    BEGIN
        RETURN number::double precision;
    EXCEPTION WHEN numeric_value_out_of_range THEN
        RETURN CASE WHEN point > 0 THEN 'Infinity'::double precision ELSE 0 END
            * CASE WHEN parts[1] = '-' THEN -1 ELSE 1 END;
    END;
END
)sql")
            .arg(NumberVariables, NumberParts, SignificantDigits));
}

QString leadingFen()
{
    // The fen are the digits down to the second place, one more when the third is 5 or more:
    // what follows it can only add to a half. Below the third place the number is 0 fen; from
    // 10^19 yuan on, and where the fen leave 64 bits, it stops at the largest amount.
    return plpgsqlFunction(QStringLiteral("tavrel_leading_fen(amount text) RETURNS bigint"),
        QStringLiteral(R"sql(
DECLARE
    %1
    fen numeric;
BEGIN
    IF %2 THEN
        RETURN amount::numeric * 100;
    END IF;
    parts := %3;
    %4
    IF significant = '' OR point < -2 THEN
        RETURN 0;
    ELSIF point > 19 THEN
        fen := 9223372036854775807;
    ELSE
        fen := least(div(rpad(significant, point + 3, '0')::numeric + 5, 10), 9223372036854775807);
    END IF;
    RETURN CASE WHEN parts[1] = '-' THEN -fen ELSE fen END;
END
)sql")
            .arg(NumberVariables, PlainAmount, NumberParts, SignificantDigits));
}

QString fen()
{
    // Plain SQL, so that the planner puts the call in place.
    return QStringLiteral(R"sql(
CREATE OR REPLACE FUNCTION tavrel_fen(amount text) RETURNS bigint
LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $body$ SELECT coalesce(tavrel_leading_fen(amount), 0) $body$)sql");
}

// The sum runs in numeric, so that no row and no partial sum can overflow; only the total is
// checked. Rows as the desk writes them are added without a second call.
QString fenSumStep()
{
    return plpgsqlFunction(QStringLiteral("tavrel_fen_sum_step(total numeric, amount text) RETURNS numeric"),
        QStringLiteral(R"sql(
BEGIN
    IF %1 THEN
        RETURN total + amount::numeric * 100;
    END IF;
    RETURN total + tavrel_leading_fen(amount);
END
)sql")
            .arg(PlainAmount));
}

QString fenSumFinal()
{
    return plpgsqlFunction(QStringLiteral("tavrel_fen_sum_final(total numeric) RETURNS bigint"), QStringLiteral(R"sql(
BEGIN
    IF abs(total) > 9223372036854775807 THEN
        RAISE EXCEPTION '金额超出范围' USING ERRCODE = 'numeric_value_out_of_range';
    END IF;
    RETURN total;
END
)sql"));
}

QString fenSum()
{
    // The step is strict and the sum starts at 0: nulls are skipped, no rows sum to 0.
    return QStringLiteral(R"sql(
CREATE OR REPLACE AGGREGATE tavrel_fen_sum(text) (
    SFUNC = tavrel_fen_sum_step, STYPE = numeric, INITCOND = '0',
    FINALFUNC = tavrel_fen_sum_final, COMBINEFUNC = numeric_add, PARALLEL = SAFE))sql");
}

} // namespace

namespace ServerFunctions {

QStringList statements()
{
    return { leadingInteger(), leadingReal(), leadingFen(), fen(), fenSumStep(), fenSumFinal(), fenSum() };
}

} // namespace ServerFunctions
