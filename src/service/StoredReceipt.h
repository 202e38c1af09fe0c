#pragma once

#include "app/Outcome.h"
#include "desk/PaymentMethod.h"
#include "service/Bill.h"

#include <QDateTime>
#include <QString>

#include <optional>

class Database;

// A settled bill as the database keeps it, for printing its receipt again: the Receiptform row
// with the service lines as they were printed, its item lines, its goods lines from spsalay,
// the parts of its payment and the change waived. Receipts
// settled before the lines' prices were stored show their counts without price and amount.
struct StoredReceipt
{
    qint64 number = 0;
    QString room;
    QDateTime billTime;
    QString paymentMethod; // empty before payment methods were recorded
    Bill bill; // its item lines and its waived change too
    // How it was paid, part by part; empty for a bill settled before the parts were kept.
    QList<PaymentPart> parts;
};

// The receipt numbered `number`; nothing when there is none.
Outcome<std::optional<StoredReceipt>> LoadStoredReceipt(Database& database, qint64 number);
