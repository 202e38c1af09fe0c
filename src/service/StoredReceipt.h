#pragma once

#include "app/Outcome.h"
#include "service/Bill.h"

#include <QDateTime>
#include <QString>

#include <optional>

class Database;

// A settled bill as the database keeps it, for printing its receipt again: the Receiptform row
// with the service lines as they were printed, and its goods lines from spsalay. Receipts
// settled before the lines' prices were stored show their counts without price and amount.
struct StoredReceipt
{
    qint64 number = 0;
    QString room;
    QDateTime billTime;
    QString paymentMethod; // empty before payment methods were recorded
    Bill bill;
};

// The receipt numbered `number`; nothing when there is none.
Outcome<std::optional<StoredReceipt>> LoadStoredReceipt(Database& database, qint64 number);
