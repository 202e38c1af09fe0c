#pragma once

#include "desk/OpenBill.h"
#include "desk/OperatorLog.h"
#include "service/Bill.h"
#include "service/ServiceSettings.h"

#include <QDateTime>
#include <QString>

#include <optional>

class Database;

// What a change of a room's open bill takes off it: a lower count, fewer goods or a goods line
// gone, an item line gone, a technician line gone, or anything else that lowers what the bill would cost. The
// operator log keeps each one (kind "减单") with what was removed and the amount it took off,
// so that a bill cannot be emptied before checkout unseen.
//
// The row's description ends with "原单X元,现单Y元": the bill before and after the change
// (at `prices`, the item lines by `terms`; without whole prices the amounts are left out).
std::optional<LogEntry> BillReductionEntry(const QString& room, const OpenBill& before, const OpenBill& after,
    const std::optional<ServiceSettings>& prices, const Authoriser& approver = {}, const ItemTerms& terms = {});

// The highest amount the room's bill had since `since`, as the reductions logged since then
// tell it: the largest "原单" of them, empty when none was logged. A bill settled at 0.00 is
// logged with it.
QString HighestReducedTotal(Database& database, const QString& room, const QDateTime& since, QString* error);
