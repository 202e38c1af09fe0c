#pragma once

#include "app/Outcome.h"
#include "shift/HandOver.h"

#include <optional>

class Database;

// The closed shifts, one row of table handover each. The writer assumes the caller's
// transaction.
class HandOverStore
{
public:
    explicit HandOverStore(Database& database);

    // The hand-over closed last; nothing before the first one.
    Outcome<std::optional<HandOver>> last() const;
    // The hand-over of row `id`; nothing when there is none. Hand-overs are never changed.
    Outcome<std::optional<HandOver>> find(qint64 id) const;
    // Returns the database error text, empty on success.
    QString add(const HandOver& handOver);

private:
    Database& m_database;
};
