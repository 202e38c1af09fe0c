#pragma once

#include <QString>
#include <QStringList>

class Database;
struct SqlResult;

// The tables of data.db and their evolution. Date-times are kept as text
// "yyyy-MM-dd HH:mm:ss" so that they compare in time order.
namespace Schema {

// Every table the desk uses, in creation order.
QStringList tableNames();

// Brings a database of version `fromVersion` (0 = empty file) to Database::SchemaVersion in
// one transaction, step by step (see the step list in Schema.cpp): missing tables and indexes
// are created and missing fixed rows are added. Version 1 holds the business tables; version 2
// adds the desk session's tables, which keep the rooms in use, their open bills, the
// technicians' queues and the day's rota; version 3 makes the receipt number unique (the index
// Receiptform_number replaces Receiptform_id); version 4 adds the closed shifts (table
// handover), the receipts kept before it closed by one; version 5 adds the operator log (table
// operator_log, to which rows are only ever added), the payment method and printed service
// prices of each receipt, and the totals per method and the counted drawer of each hand-over;
// version 6 adds the chains of links over the operator log and the receipts (table chain_link,
// see RecordChain.h), giving every row kept before its link, and the triggers that refuse a
// REPLACE of a chained row, the house's switches (table house_setting) and the failed logins (table login_failure).
// version 7 adds the daily ledger of the takings (TakingsLedger.h), filled from the stored rows;
// version 14 adds the stored-value member cards (tables member_card, card_ledger, to which rows
// are only ever added, and topup_rule), the daily ledger of their movements and the permission
// flag that opens the top-up window.
bool migrate(Database& database, int fromVersion, QString* error);
// The same up to `toVersion` only: what an earlier release made (for the migration tests).
bool upgrade(Database& database, int fromVersion, int toVersion, QString* error);

// Whether the file holds exactly the tables, columns, indexes and triggers that this program gives a
// file of `version` (version 0: none at all), before anything is changed in it. A file of
// another program, or one whose tables were changed by hand, gets a short description of what
// differs in `mismatch`; a failed read comes back as the result's error.
SqlResult compareShape(Database& database, int version, QString* mismatch);

// The table in which a server keeps the house's schema version (a file keeps it in its header).
inline constexpr char ServerVersionTable[] = "tavrel_schema";

// The account of the delivered installation, to be changed at the first login.
inline constexpr QStringView DeliveredLogin = u"admin";
inline constexpr QStringView DeliveredPassword = u"admin";

} // namespace Schema
