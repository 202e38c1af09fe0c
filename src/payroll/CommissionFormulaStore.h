#pragma once

#include "app/Outcome.h"
#include "payroll/CommissionFormula.h"

#include <optional>

class Database;

// Row 2003 of jstichen, where the house keeps its commission formula. Checkout reads it at
// every opening; the formula dialog reads and writes it.
class CommissionFormulaStore
{
public:
    static constexpr int RowId = 2003;

    explicit CommissionFormulaStore(Database& database);

    // The formula; nothing when the row is missing.
    Outcome<std::optional<CommissionFormula>> load() const;
    // Writes the six texts as typed; a missing row is created, so that a house whose row was
    // lost can set its formula again.
    Outcome<> save(const CommissionFormula& formula);

private:
    Database& m_database;
};
