#pragma once

#include "app/Money.h"
#include "app/Outcome.h"
#include "app/TakingsLedger.h"

#include <QHash>
#include <QList>
#include <QString>

class Database;

// The figures of the menu's items and of the technicians' 点钟 over a span of time, read from
// the daily ledger for the whole days and from the rows for the partial ones.
namespace ServiceFigures {

// One item of the menu as it sold: its number, the name it was sold under, the units (clocks
// or times), the amount and the technicians' commission.
struct Item
{
    qint64 number = 0;
    QString name;
    qint64 lines = 0;
    qint64 units = 0;
    Money amount;
    Money commission;

    friend bool operator==(const Item&, const Item&) = default;
};

// Every item sold in the span, by number, and under each number by name.
Outcome<QList<Item>> items(Database& database, const TakingsLedger::Span& span);

// A technician's clocks: those of the three services and of the items counted in clocks
// ("钟"), and among them those the guest asked for her (点钟数).
struct Clocks
{
    qint64 clocks = 0;
    qint64 requested = 0;

    friend bool operator==(const Clocks&, const Clocks&) = default;
};

// Per technician number: the item clocks and every 点钟 of the span. The clocks of the three
// services are not counted here (the technicians' figures have them already): only the
// units of the items counted in clocks.
Outcome<QHash<QString, Clocks>> itemClocksAndRequests(Database& database, const TakingsLedger::Span& span);

// A technician over the span: her clocks (the three services and the items sold by the
// clock), her 点钟数 and every commission she earned (the formula's, the items', the 点钟
// supplements').
struct Technician
{
    QString number;
    QString name;
    qint64 clocks = 0;
    qint64 requested = 0;
    Money commission;

    friend bool operator==(const Technician&, const Technician&) = default;
};

// Every technician with a service, an item or a 点钟 in the span, by number.
Outcome<QList<Technician>> technicians(Database& database, const TakingsLedger::Span& span);

// Whether the house sells a menu of items (the catalogue holds any) or has had a 点钟: the
// windows that show these figures offer them only then.
Outcome<bool> InUse(Database& database);

// 点钟率 as the lists show it: "35.0%", or "—" when there are no clocks.
QString RequestRateText(qint64 requested, qint64 clocks);

} // namespace ServiceFigures
