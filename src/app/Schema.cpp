#include "app/Schema.h"

#include "app/Database.h"
#include "app/Money.h"
#include "app/RecordChain.h"
#include "app/ServerFunctions.h"
#include "app/SqlTransaction.h"
#include "app/TakingsLedger.h"
#include "app/TextFormat.h"

#include <QDateTime>
#include <QMap>
#include <QRegularExpression>
#include <QSqlRecord>

namespace {

QString nineTextColumns()
{
    QStringList columns;
    for (int i = 1; i <= 9; ++i)
        columns << QStringLiteral("str%1 TEXT NOT NULL DEFAULT ''").arg(i);
    return columns.join(QStringLiteral(", "));
}

QString authorityColumns()
{
    QStringList columns;
    for (int i = 1; i <= 18; ++i)
        columns << QStringLiteral("str%1 INTEGER NOT NULL DEFAULT 0").arg(i);
    return columns.join(QStringLiteral(", "));
}

struct TableDefinition
{
    QString name;
    QString columns;
    QString options = {}; // after the columns, such as WITHOUT ROWID
};

QList<TableDefinition> tables()
{
    const QString accountColumns = QStringLiteral(
        "logoid TEXT NOT NULL DEFAULT '', password TEXT NOT NULL DEFAULT '', name TEXT NOT NULL DEFAULT ''");
    return {
        { QStringLiteral("worksinfo"),
            nineTextColumns()
                + QStringLiteral(", restday INTEGER NOT NULL DEFAULT 100, workstatus INTEGER NOT NULL DEFAULT 100") },
        { QStringLiteral("kucheninfo"), nineTextColumns() },
        { QStringLiteral("huiyeninfo"), nineTextColumns() },
        { QStringLiteral("Receiptform"),
            QStringLiteral(
                "id INTEGER NOT NULL, housnum TEXT NOT NULL DEFAULT '', bytime TEXT NOT NULL DEFAULT '', "
                "massagetime TEXT NOT NULL DEFAULT '', washfoottime TEXT NOT NULL DEFAULT '', "
                "trimfoot TEXT NOT NULL DEFAULT '', spjine TEXT NOT NULL DEFAULT '', dazhe TEXT NOT NULL DEFAULT '', "
                "dazheperson TEXT NOT NULL DEFAULT '', alljine TEXT NOT NULL DEFAULT '', "
                "paytype TEXT NOT NULL DEFAULT '', cashier TEXT NOT NULL DEFAULT '', time TEXT NOT NULL") },
        { QStringLiteral("salaryform"),
            QStringLiteral("id INTEGER NOT NULL, num TEXT NOT NULL DEFAULT '', name TEXT NOT NULL DEFAULT '', "
                           "massagetime TEXT NOT NULL DEFAULT '', washfoottime TEXT NOT NULL DEFAULT '', "
                           "salary TEXT NOT NULL DEFAULT '', time TEXT NOT NULL, cashier TEXT NOT NULL DEFAULT ''") },
        { QStringLiteral("spsalay"),
            QStringLiteral(
                "id INTEGER NOT NULL, name TEXT NOT NULL DEFAULT '', danwe TEXT NOT NULL DEFAULT '', "
                "danjia TEXT NOT NULL DEFAULT '', counter TEXT NOT NULL DEFAULT '', jine TEXT NOT NULL DEFAULT '', "
                "time TEXT NOT NULL, cashier TEXT NOT NULL DEFAULT ''") },
        { QStringLiteral("company"),
            QStringLiteral(
                "id INTEGER NOT NULL, name TEXT NOT NULL DEFAULT '', area TEXT NOT NULL DEFAULT '', "
                "address TEXT NOT NULL DEFAULT '', postnum TEXT NOT NULL DEFAULT '', person TEXT NOT NULL DEFAULT '', "
                "tel TEXT NOT NULL DEFAULT '', email TEXT NOT NULL DEFAULT '', smail TEXT NOT NULL DEFAULT '', "
                "homepage TEXT NOT NULL DEFAULT '', about TEXT NOT NULL DEFAULT ''") },
        { QStringLiteral("jstichen"),
            QStringLiteral("id INTEGER NOT NULL, massage1 TEXT NOT NULL DEFAULT '', massage2 TEXT NOT NULL DEFAULT '', "
                           "massage3 TEXT NOT NULL DEFAULT '', massageall TEXT NOT NULL DEFAULT '', "
                           "wash TEXT NOT NULL DEFAULT '', avertime TEXT NOT NULL DEFAULT ''") },
        { QStringLiteral("authority"), QStringLiteral("id INTEGER NOT NULL, ") + authorityColumns() },
        { QStringLiteral("adm"), accountColumns },
        { QStringLiteral("manager"), accountColumns },
        { QStringLiteral("minister"), accountColumns },
        { QStringLiteral("cashier"), accountColumns },
        { QStringLiteral("wtimechgcondition"),
            QStringLiteral("id INTEGER NOT NULL, spaceday INTEGER NOT NULL DEFAULT 0, time TEXT NOT NULL DEFAULT ''") },
    };
}

// The desk session (version 2): the live state of the desk, one row per line, the position
// columns keeping each list's order.
QList<TableDefinition> deskTables()
{
    return {
        // Rooms with a guest and no service running.
        { QStringLiteral("desk_room"), QStringLiteral("number TEXT NOT NULL PRIMARY KEY") },
        // The open bill of every room in service.
        { QStringLiteral("desk_bill"),
            QStringLiteral("room TEXT NOT NULL PRIMARY KEY, start_time TEXT NOT NULL, "
                           "massage_clocks INTEGER NOT NULL DEFAULT 0, foot_wash_clocks INTEGER NOT NULL DEFAULT 0, "
                           "pedicure_count INTEGER NOT NULL DEFAULT 0") },
        { QStringLiteral("desk_bill_technician"),
            QStringLiteral("room TEXT NOT NULL, position INTEGER NOT NULL, number TEXT NOT NULL, "
                           "name TEXT NOT NULL DEFAULT '', massage_clocks INTEGER NOT NULL DEFAULT 0, "
                           "foot_wash_clocks INTEGER NOT NULL DEFAULT 0, released INTEGER NOT NULL DEFAULT 0, "
                           "PRIMARY KEY (room, position)") },
        { QStringLiteral("desk_bill_goods"),
            QStringLiteral("room TEXT NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL, "
                           "quantity INTEGER NOT NULL DEFAULT 0, unit_price TEXT NOT NULL DEFAULT '', "
                           "unit TEXT NOT NULL DEFAULT '', PRIMARY KEY (room, position)") },
        // The technicians' queues: the lists 'idle' (head = position 0) and 'working'.
        { QStringLiteral("desk_queue"),
            QStringLiteral("list TEXT NOT NULL, position INTEGER NOT NULL, number TEXT NOT NULL, "
                           "PRIMARY KEY (list, position)") },
        // The day's rota lists: 'attendance', 'early' and 'late'.
        { QStringLiteral("desk_rota"),
            QStringLiteral("list TEXT NOT NULL, position INTEGER NOT NULL, number TEXT NOT NULL, "
                           "PRIMARY KEY (list, position)") },
        // The business day the idle queue and the rota lists belong to: the single row id 1.
        { QStringLiteral("desk_day"),
            QStringLiteral("id INTEGER NOT NULL PRIMARY KEY, business_day TEXT NOT NULL DEFAULT ''") },
    };
}

// The shifts closed with a hand-over (version 4), one row each: the receipts numbered after
// the previous hand-over's last_receipt up to its own. Version 5 adds the totals per payment
// method and the counted drawer (see MoneyColumns).
QList<TableDefinition> shiftTables()
{
    return {
        { QStringLiteral("handover"),
            QStringLiteral("id INTEGER PRIMARY KEY, shift_start TEXT NOT NULL DEFAULT '', closed_at TEXT NOT NULL, "
                           "cashier TEXT NOT NULL DEFAULT '', last_receipt INTEGER NOT NULL DEFAULT 0, "
                           "receipt_count INTEGER NOT NULL DEFAULT 0, total TEXT NOT NULL DEFAULT '0.00'") },
    };
}

// Goods sales listed by name, newest first.
const char* const ShiftIndexes[] = {
    "CREATE INDEX IF NOT EXISTS spsalay_name_time ON spsalay(name, time)",
};

// The operator log (version 5): one row per action that touches money, accounts or the
// installation, written in the transaction of the action itself. The program only ever adds
// rows; the two triggers make the database refuse a change or a deletion as well.
QList<TableDefinition> logTables()
{
    return {
        { QStringLiteral("operator_log"),
            QStringLiteral("id INTEGER PRIMARY KEY, time TEXT NOT NULL, kind TEXT NOT NULL, "
                           "login TEXT NOT NULL DEFAULT '', role INTEGER NOT NULL DEFAULT 0, "
                           "authoriser TEXT NOT NULL DEFAULT '', authoriser_role INTEGER NOT NULL DEFAULT -1, "
                           "room TEXT NOT NULL DEFAULT '', receipt INTEGER NOT NULL DEFAULT 0, "
                           "description TEXT NOT NULL DEFAULT '', amount TEXT NOT NULL DEFAULT ''") },
    };
}

// The log listed by period, by user and by kind, newest first; the database refuses a change
// or a deletion of a row.
QStringList logStatements(const SqlDialect& dialect)
{
    return QStringList { QStringLiteral("CREATE INDEX IF NOT EXISTS operator_log_time ON operator_log(time)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS operator_log_login_time ON operator_log(login, time)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS operator_log_kind_time ON operator_log(kind, time)") }
    + dialect.refusingTrigger(QStringLiteral("operator_log_kept"), QStringLiteral("BEFORE UPDATE"),
        QStringLiteral("operator_log"), QStringLiteral("操作日志不能修改"))
        + dialect.refusingTrigger(QStringLiteral("operator_log_not_deleted"), QStringLiteral("BEFORE DELETE"),
            QStringLiteral("operator_log"), QStringLiteral("操作日志不能删除"));
}

// The chains of links over the operator log and the settled receipts (version 6; see
// RecordChain.h): one row per link, only ever added; the house's switches; the failed logins.
QList<TableDefinition> chainTables()
{
    return {
        { QStringLiteral("chain_link"),
            QStringLiteral("chain TEXT NOT NULL, position INTEGER NOT NULL, link TEXT NOT NULL, "
                           "PRIMARY KEY (chain, position)") },
        // Switches of the house kept with its data (HouseSettings.h).
        { QStringLiteral("house_setting"), QStringLiteral("name TEXT NOT NULL PRIMARY KEY, value TEXT NOT NULL") },
        // Failed logins per account typed, for the wait after too many (users/LoginThrottle.h).
        { QStringLiteral("login_failure"),
            QStringLiteral("role INTEGER NOT NULL, login TEXT NOT NULL, time TEXT NOT NULL") },
    };
}

// The setting files of the data folder as rows, for a house whose desks share one server
// (version 11; see SettingPlace.h): one row per file name holding exactly the file's bytes. A
// desk on its own folder keeps its files and leaves the table empty.
QList<TableDefinition> settingFileTables()
{
    return { { QStringLiteral("setting_file"),
        QStringLiteral("name TEXT NOT NULL PRIMARY KEY, bytes BLOB NOT NULL") } };
}

// The menu of the house's services (version 12): one row per item with its number, name, unit
// ("钟" or "次"), minutes per unit, price in fen, whether the member card's discount and a
// manager's 打折 apply, and its two commissions, for a 轮钟 and a 点钟: each a kind ("金额", fen
// per unit, or "比例", basis points of the line's amount) and a value. A retired item stays for
// the receipts that sold it; position is its place on the menu. The settled item lines of the
// receipts, one row per line, keep the item's name, price and commission as sold.
QList<TableDefinition> catalogueTables()
{
    return {
        { QStringLiteral("service_item"),
            QStringLiteral("id INTEGER NOT NULL PRIMARY KEY, name TEXT NOT NULL, category TEXT NOT NULL DEFAULT '', "
                           "unit TEXT NOT NULL, minutes INTEGER NOT NULL DEFAULT 0, "
                           "price_fen INTEGER NOT NULL DEFAULT 0, member_discount INTEGER NOT NULL DEFAULT 1, "
                           "manager_discount INTEGER NOT NULL DEFAULT 1, "
                           "commission_kind_rotation TEXT NOT NULL, commission_rotation INTEGER NOT NULL DEFAULT 0, "
                           "commission_kind_requested TEXT NOT NULL, "
                           "commission_requested INTEGER NOT NULL DEFAULT 0, retired INTEGER NOT NULL DEFAULT 0, "
                           "position INTEGER NOT NULL DEFAULT 0") },
        { QStringLiteral("receipt_item"),
            QStringLiteral("id INTEGER NOT NULL, line INTEGER NOT NULL, item INTEGER NOT NULL, "
                           "name TEXT NOT NULL DEFAULT '', technician TEXT NOT NULL DEFAULT '', "
                           "requested INTEGER NOT NULL DEFAULT 0, count INTEGER NOT NULL DEFAULT 0, "
                           "unit_price_fen INTEGER NOT NULL DEFAULT 0, amount_fen INTEGER NOT NULL DEFAULT 0, "
                           "commission_fen INTEGER NOT NULL DEFAULT 0, time TEXT NOT NULL, "
                           "cashier TEXT NOT NULL DEFAULT ''") },
    };
}

// The menu's items and the 点钟 in the desk and on the receipts (version 13): the item lines
// of the open bills, one row per line with the item's minutes per unit as booked; and the
// technicians of a settled receipt, one row per salaryform row in its order, saying whether
// the guest asked for her and what 点钟 supplement her commission holds. The technician rows
// of the open bills gain their 点钟 mark (see addRequestedMarks).
QList<TableDefinition> requestTables()
{
    return {
        { QStringLiteral("desk_bill_item"),
            QStringLiteral("room TEXT NOT NULL, position INTEGER NOT NULL, item INTEGER NOT NULL, "
                           "name TEXT NOT NULL DEFAULT '', technician TEXT NOT NULL DEFAULT '', "
                           "count INTEGER NOT NULL DEFAULT 0, requested INTEGER NOT NULL DEFAULT 0, "
                           "minutes INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (room, position)") },
        { QStringLiteral("receipt_technician"),
            QStringLiteral("id INTEGER NOT NULL, line INTEGER NOT NULL, technician TEXT NOT NULL DEFAULT '', "
                           "requested INTEGER NOT NULL DEFAULT 0, clocks INTEGER NOT NULL DEFAULT 0, "
                           "supplement_fen INTEGER NOT NULL DEFAULT 0, time TEXT NOT NULL") },
    };
}

// The stored-value member cards (version 14). member_card: one row per card of huiyeninfo
// (card = huiyeninfo.str1) that ever moved money, made at its first movement; a card of the
// member records without a row is 正常 with nothing on it. state is 正常, 挂失 or 注销; password
// is '' (none) or a hash made as the desk's passwords are, password_failures the wrong
// passwords typed in a row (three lock the card's payments until a manager sets it again);
// principal_fen and bonus_fen cache the balance the card's ledger rows add up to; replaced_by
// names the card a 补卡 moved the balance to. card_ledger: one row per movement of a card's
// money, only ever added, numbered 1, 2, 3 … under the write lock as receipts are; amounts are
// signed (+ onto the card, − off it) with the balance after the row. topup_rule: the bonus a
// top-up of at least threshold_fen earns ("充1000送100").
QList<TableDefinition> cardTables()
{
    return {
        { QStringLiteral("member_card"),
            QStringLiteral("card TEXT NOT NULL PRIMARY KEY, state TEXT NOT NULL DEFAULT '正常', "
                           "password TEXT NOT NULL DEFAULT '', password_failures INTEGER NOT NULL DEFAULT 0, "
                           "principal_fen INTEGER NOT NULL DEFAULT 0, bonus_fen INTEGER NOT NULL DEFAULT 0, "
                           "replaced_by TEXT NOT NULL DEFAULT '', opened TEXT NOT NULL DEFAULT ''") },
        { QStringLiteral("card_ledger"),
            QStringLiteral("id INTEGER NOT NULL, time TEXT NOT NULL, card TEXT NOT NULL, kind TEXT NOT NULL, "
                           "principal_fen INTEGER NOT NULL DEFAULT 0, bonus_fen INTEGER NOT NULL DEFAULT 0, "
                           "principal_after INTEGER NOT NULL DEFAULT 0, bonus_after INTEGER NOT NULL DEFAULT 0, "
                           "receipt INTEGER NOT NULL DEFAULT 0, method TEXT NOT NULL DEFAULT '', "
                           "cashier TEXT NOT NULL DEFAULT '', approver TEXT NOT NULL DEFAULT '', "
                           "note TEXT NOT NULL DEFAULT ''") },
        { QStringLiteral("topup_rule"),
            QStringLiteral("threshold_fen INTEGER NOT NULL PRIMARY KEY, bonus_fen INTEGER NOT NULL DEFAULT 0") },
    };
}

// The card ledger's number is unique; a card's rows, a period's and a receipt's are read by
// index. Its rows can be neither changed, deleted nor written over (on a file, an INSERT OR
// REPLACE would delete the old row without the triggers that refuse a deletion); on the server
// the house's role also loses the right to change or delete them. The daily ledger of the
// card movements is kept by triggers, as the takings' is.
QStringList cardStatements(const SqlDialect& dialect)
{
    QStringList statements {
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS card_ledger_number ON card_ledger(id)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS card_ledger_card ON card_ledger(card, id)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS card_ledger_time ON card_ledger(time)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS card_ledger_receipt ON card_ledger(receipt)"),
    };
    statements += dialect.refusingTrigger(QStringLiteral("card_ledger_kept"), QStringLiteral("BEFORE UPDATE"),
        QStringLiteral("card_ledger"), QStringLiteral("会员卡流水不能修改"));
    statements += dialect.refusingTrigger(QStringLiteral("card_ledger_not_deleted"), QStringLiteral("BEFORE DELETE"),
        QStringLiteral("card_ledger"), QStringLiteral("会员卡流水不能删除"));
    if (dialect.isSqlite()) {
        statements << QStringLiteral(
            "CREATE TRIGGER IF NOT EXISTS card_ledger_not_replaced BEFORE INSERT ON card_ledger "
            "WHEN EXISTS (SELECT 1 FROM card_ledger WHERE id=NEW.id OR rowid=NEW.rowid) "
            "BEGIN SELECT RAISE(ABORT, '会员卡流水不能改写'); END");
    } else {
        statements << QStringLiteral("REVOKE UPDATE, DELETE, TRUNCATE ON card_ledger FROM PUBLIC, CURRENT_USER");
    }
    statements += TakingsLedger::TriggerStatements(TakingsLedger::CardTables(dialect));
    return statements;
}

// How the bills are paid (version 15): the parts of each bill's payment, one row per method in
// the order given at checkout (a 会员卡 part names its card), and the small change waived at the
// cashier's word. The receipt's own row keeps its meaning: its total is what the guest paid,
// its method the one way he paid or "组合支付".
QList<TableDefinition> paymentTables()
{
    return {
        { QStringLiteral("receipt_payment"),
            QStringLiteral("id INTEGER NOT NULL, line INTEGER NOT NULL, method TEXT NOT NULL, "
                           "amount_fen INTEGER NOT NULL DEFAULT 0, card TEXT NOT NULL DEFAULT '', "
                           "receipt_method TEXT NOT NULL DEFAULT '', time TEXT NOT NULL") },
        { QStringLiteral("receipt_waiver"),
            QStringLiteral("id INTEGER NOT NULL, total_fen INTEGER NOT NULL DEFAULT 0, "
                           "waived_fen INTEGER NOT NULL DEFAULT 0, approver TEXT NOT NULL DEFAULT '', "
                           "time TEXT NOT NULL, cashier TEXT NOT NULL DEFAULT ''") },
    };
}

const char* const PaymentIndexes[] = {
    "CREATE INDEX IF NOT EXISTS receipt_payment_id ON receipt_payment(id)",
    "CREATE UNIQUE INDEX IF NOT EXISTS receipt_waiver_id ON receipt_waiver(id)",
};

const char* const RequestIndexes[] = {
    "CREATE INDEX IF NOT EXISTS receipt_technician_id ON receipt_technician(id)",
};

// An item's name is unique; the lines of a receipt, and the lines that sold an item.
const char* const CatalogueIndexes[] = {
    "CREATE UNIQUE INDEX IF NOT EXISTS service_item_name ON service_item(name)",
    "CREATE INDEX IF NOT EXISTS receipt_item_id ON receipt_item(id)",
    "CREATE INDEX IF NOT EXISTS receipt_item_item ON receipt_item(item)",
};

// The links can be neither changed nor deleted; and no row of a chained table can be written
// over by an INSERT OR REPLACE (or REPLACE) of a file, which would delete the old row without
// running the triggers that refuse a deletion: an insert that meets a stored key is refused
// first. The server knows no such insert. There the house's own role also loses the right to
// change or delete the log and the links, so that even a statement run by hand past the desk
// meets two refusals.
const char* const ReplaceRefusals[] = {
    "CREATE TRIGGER IF NOT EXISTS chain_link_not_replaced BEFORE INSERT ON chain_link "
    "WHEN EXISTS (SELECT 1 FROM chain_link WHERE chain=NEW.chain AND position=NEW.position) "
    "BEGIN SELECT RAISE(ABORT, '校验链不能改写'); END",
    "CREATE TRIGGER IF NOT EXISTS operator_log_not_replaced BEFORE INSERT ON operator_log "
    "WHEN EXISTS (SELECT 1 FROM operator_log WHERE id=NEW.id) "
    "BEGIN SELECT RAISE(ABORT, '操作日志不能改写'); END",
    "CREATE TRIGGER IF NOT EXISTS Receiptform_not_replaced BEFORE INSERT ON Receiptform "
    "WHEN EXISTS (SELECT 1 FROM Receiptform WHERE id=NEW.id OR rowid=NEW.rowid) "
    "BEGIN SELECT RAISE(ABORT, '单据不能改写'); END",
    "CREATE TRIGGER IF NOT EXISTS salaryform_not_replaced BEFORE INSERT ON salaryform "
    "WHEN EXISTS (SELECT 1 FROM salaryform WHERE rowid=NEW.rowid) "
    "BEGIN SELECT RAISE(ABORT, '单据不能改写'); END",
    "CREATE TRIGGER IF NOT EXISTS spsalay_not_replaced BEFORE INSERT ON spsalay "
    "WHEN EXISTS (SELECT 1 FROM spsalay WHERE rowid=NEW.rowid) "
    "BEGIN SELECT RAISE(ABORT, '单据不能改写'); END",
};

QStringList chainStatements(const SqlDialect& dialect)
{
    QStringList statements = QStringList { QStringLiteral(
                                 "CREATE INDEX IF NOT EXISTS login_failure_login ON login_failure(role, login, time)") }
        + dialect.refusingTrigger(QStringLiteral("chain_link_kept"), QStringLiteral("BEFORE UPDATE"),
            QStringLiteral("chain_link"), QStringLiteral("校验链不能修改"))
        + dialect.refusingTrigger(QStringLiteral("chain_link_not_deleted"), QStringLiteral("BEFORE DELETE"),
            QStringLiteral("chain_link"), QStringLiteral("校验链不能删除"));
    if (dialect.isSqlite()) {
        for (const char* statement : ReplaceRefusals)
            statements << QString::fromUtf8(statement);
    } else {
        statements << QStringLiteral(
            "REVOKE UPDATE, DELETE, TRUNCATE ON operator_log, chain_link FROM PUBLIC, CURRENT_USER");
    }
    return statements;
}

// The rows kept before the chains began get their links in one pass.
bool linkExistingRows(Database& database, QString* error)
{
    // It writes through the connection itself: what the step deferred goes first.
    if (*error = database.sendDeferred(); error->isEmpty())
        *error = RecordChain::linkAll(database.connection());
    return error->isEmpty();
}

// Columns added to tables of earlier versions (version 5), all text: the payment method of a
// receipt and the unit price and amount of each of its service lines as they were printed, so
// that a receipt can be printed again as the guest got it; the hand-over's totals per payment
// method and its counted drawer. Readers of the earlier columns see no difference.
struct AddedColumn
{
    const char* table;
    const char* column;
};

const AddedColumn MoneyColumns[] = {
    { "Receiptform", "paymethod" },
    { "Receiptform", "massageprice" },
    { "Receiptform", "massagejine" },
    { "Receiptform", "washfootprice" },
    { "Receiptform", "washfootjine" },
    { "Receiptform", "trimfootprice" },
    { "Receiptform", "trimfootjine" },
    { "handover", "cash_total" },
    { "handover", "wechat_total" },
    { "handover", "alipay_total" },
    { "handover", "bank_card_total" },
    { "handover", "member_card_total" },
    { "handover", "unrecorded_total" },
    { "handover", "expected_cash" },
    { "handover", "counted_cash" },
    { "handover", "cash_difference" },
    { "handover", "difference_reason" },
};

// Lookups by code and name, and the period queries on the bill time.
const char* const Indexes[] = {
    "CREATE INDEX IF NOT EXISTS worksinfo_code ON worksinfo(str1)",
    "CREATE INDEX IF NOT EXISTS kucheninfo_code ON kucheninfo(str1)",
    "CREATE INDEX IF NOT EXISTS kucheninfo_name ON kucheninfo(str2)",
    "CREATE INDEX IF NOT EXISTS huiyeninfo_code ON huiyeninfo(str1)",
    "CREATE INDEX IF NOT EXISTS Receiptform_id ON Receiptform(id)",
    "CREATE INDEX IF NOT EXISTS Receiptform_time ON Receiptform(time)",
    "CREATE INDEX IF NOT EXISTS salaryform_num_time ON salaryform(num, time)",
    "CREATE INDEX IF NOT EXISTS salaryform_time ON salaryform(time)",
    "CREATE INDEX IF NOT EXISTS salaryform_id ON salaryform(id)",
    "CREATE INDEX IF NOT EXISTS spsalay_time ON spsalay(time)",
    "CREATE INDEX IF NOT EXISTS spsalay_name ON spsalay(name)",
    "CREATE INDEX IF NOT EXISTS spsalay_id ON spsalay(id)",
    "CREATE INDEX IF NOT EXISTS adm_login ON adm(logoid)",
    "CREATE INDEX IF NOT EXISTS manager_login ON manager(logoid)",
    "CREATE INDEX IF NOT EXISTS minister_login ON minister(logoid)",
    "CREATE INDEX IF NOT EXISTS cashier_login ON cashier(logoid)",
};

// Permission rows of the delivered installation. Menu flags str1..str16: 0 allowed, 1 greyed;
// button flags str17 (技师管理) and str18 (帐单查询): 1 allowed, 0 disabled.
//                                      1  2  3  4  5  6  7  8  9 10 11 12 13 14 15 16 17 18
constexpr int CashierFlags[18] = { 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 0, 1 };
constexpr int MinisterFlags[18] = { 1, 1, 1, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1 };
constexpr int ManagerFlags[18] = { 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1 };
constexpr int GeneralManagerFlags[18] = { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1 };

bool run(Database& database, const QString& sql, const QVariantList& values, QString* error)
{
    // A definition runs as written: a function's body on the server holds characters that a
    // prepared statement would take for placeholders.
    const SqlResult result = values.isEmpty() ? database.execAsWritten(sql) : database.exec(sql, values);
    if (!result.ok() && error)
        *error = result.error;
    return result.ok();
}

bool rowMissing(Database& database, const QString& table, int id, QString* error, bool* failed)
{
    QString readError;
    const QVariant found
        = database.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE id=?").arg(table), { id }, &readError);
    if (!readError.isEmpty()) {
        *error = readError;
        *failed = true;
        return false;
    }
    return found.toInt() == 0;
}

// A column definition as the server spells it: whole numbers are 64 bits (INTEGER is 32 there),
// text compares and sorts byte by byte as in a file (the "C" collation, whatever the server's
// language), bytes are bytea. SQLite's own key of a row, rowid, is a column of that name that
// the server numbers as rows are added; where SQLite makes "id INTEGER PRIMARY KEY" that key,
// the server's rowid repeats the id.
QString serverColumns(QString columns, bool withRowKey)
{
    static const QRegularExpression integer(QStringLiteral("\\bINTEGER\\b"));
    static const QRegularExpression text(QStringLiteral("\\bTEXT\\b"));
    static const QRegularExpression bytes(QStringLiteral("\\bBLOB\\b"));
    const QString ownKey = QStringLiteral("id INTEGER PRIMARY KEY");
    const bool idIsKey = columns.contains(ownKey);
    if (idIsKey)
        columns.replace(ownKey, QStringLiteral("id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
    columns.replace(integer, QStringLiteral("BIGINT"));
    columns.replace(text, QStringLiteral("TEXT COLLATE \"C\""));
    columns.replace(bytes, QStringLiteral("BYTEA"));
    if (withRowKey && idIsKey)
        columns += QStringLiteral(", rowid BIGINT GENERATED ALWAYS AS (id) STORED");
    else if (withRowKey)
        columns += QStringLiteral(", rowid BIGINT GENERATED BY DEFAULT AS IDENTITY");
    return columns;
}

bool createTables(Database& database, const QList<TableDefinition>& definitions, QString* error)
{
    const bool sqlite = database.dialect().isSqlite();
    for (const TableDefinition& table : definitions) {
        const QString sql = sqlite
            ? QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2) %3").arg(table.name, table.columns, table.options)
            : QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
                  .arg(table.name, serverColumns(table.columns, table.options != u"WITHOUT ROWID"));
        if (!run(database, sql, {}, error))
            return false;
    }
    return true;
}

// A column added by ALTER TABLE … ADD COLUMN, spelled for the engine.
QString addColumn(const SqlDialect& dialect, const QString& table, const QString& definition)
{
    return QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
        .arg(table, dialect.isSqlite() ? definition : serverColumns(definition, false));
}

// The receipts of a house that kept them before shifts were handed over belong to no shift:
// one hand-over without a cashier closes them, so that the first real hand-over lists the
// first shift and not years of bills.
bool closeEarlierReceipts(Database& database, QString* error)
{
    const SqlResult earlier = database.exec(QStringLiteral("SELECT count(*), %1, max(id) FROM Receiptform")
                                                .arg(database.dialect().fenSum(QStringLiteral("alljine"))));
    if (!earlier.ok()) {
        *error = earlier.error;
        return false;
    }
    const int count = earlier.first().value(0).toInt();
    if (count == 0)
        return true;
    return run(database,
        QStringLiteral("INSERT INTO handover (shift_start, closed_at, cashier, last_receipt, receipt_count, total) "
                       "VALUES ('', ?, '', ?, ?, ?)"),
        { DateTimeText(QDateTime::currentDateTime()), earlier.first().value(2).toLongLong(), count,
            Money::fromFen(earlier.first().value(1).toLongLong()).text() },
        error);
}

bool insertFixedRows(Database& database, QString* error)
{
    bool failed = false;
    const QString now = DateTimeText(QDateTime::currentDateTime());

    if (rowMissing(database, QStringLiteral("company"), 2004, error, &failed)
        && !run(database,
            QStringLiteral("INSERT INTO company (id, name, area, address, postnum, person, tel, email, smail, "
                           "homepage, about) VALUES (2004, ?, ?, '', '', '', ?, '', '', '', ?)"),
            { QStringLiteral("Tavrel 桑拿足浴中心"), QStringLiteral("广东省"), QStringLiteral("020-00000000"),
                QStringLiteral("请在“资料设定”菜单的“公司信息管理”中填写本店资料。") },
            error))
        return false;
    if (failed)
        return false;

    if (rowMissing(database, QStringLiteral("jstichen"), 2003, error, &failed)
        && !run(database,
            QStringLiteral("INSERT INTO jstichen (id, massage1, massage2, massage3, massageall, wash, avertime) "
                           "VALUES (2003, '10', '12', '15', '18', '8', '5')"),
            {}, error))
        return false;
    if (failed)
        return false;

    if (rowMissing(database, QStringLiteral("wtimechgcondition"), 1, error, &failed)
        && !run(database, QStringLiteral("INSERT INTO wtimechgcondition (id, spaceday, time) VALUES (1, 0, ?)"),
            { now }, error))
        return false;
    if (failed)
        return false;

    const int* const flagsOfRole[4] = { CashierFlags, MinisterFlags, ManagerFlags, GeneralManagerFlags };
    QStringList columns;
    QStringList marks;
    for (int i = 1; i <= 18; ++i) {
        columns << QStringLiteral("str%1").arg(i);
        marks << QStringLiteral("?");
    }
    for (int role = 0; role < 4; ++role) {
        if (!rowMissing(database, QStringLiteral("authority"), role, error, &failed)) {
            if (failed)
                return false;
            continue;
        }
        QVariantList values { role };
        for (int i = 0; i < 18; ++i)
            values << flagsOfRole[role][i];
        if (!run(database,
                QStringLiteral("INSERT INTO authority (id, %1) VALUES (?, %2)")
                    .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                values, error))
            return false;
    }

    QString readError;
    const int managers = database.scalar(QStringLiteral("SELECT count(*) FROM adm"), {}, &readError).toInt();
    if (!readError.isEmpty()) {
        *error = readError;
        return false;
    }
    if (managers == 0
        && !run(database, QStringLiteral("INSERT INTO adm (logoid, password, name) VALUES (?, ?, ?)"),
            { Schema::DeliveredLogin.toString(), Schema::DeliveredPassword.toString(), QStringLiteral("总经理") },
            error))
        return false;
    return true;
}

// Version 3: the database itself refuses a second bill with a number already stored, so that
// two settlements can never share one. A file that holds such a pair already is not changed:
// which of the two bills keeps the number is for the house to decide, not for an upgrade.
bool makeReceiptNumbersUnique(Database& database, QString* error)
{
    const SqlResult shared = database.exec(
        QStringLiteral("SELECT id FROM Receiptform GROUP BY id HAVING count(*) > 1 ORDER BY id LIMIT 1"));
    if (!shared.ok()) {
        *error = shared.error;
        return false;
    }
    if (!shared.isEmpty()) {
        *error = QStringLiteral("单据编号%1被多张单据使用,数据库无法升级。请先核对这些单据。")
                     .arg(shared.first().value(0).toLongLong());
        return false;
    }
    return run(database, QStringLiteral("DROP INDEX IF EXISTS Receiptform_id"), {}, error)
        && run(database, QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS Receiptform_number ON Receiptform(id)"), {},
            error);
}

bool addDeskDay(Database& database, QString* error)
{
    bool failed = false;
    if (rowMissing(database, QStringLiteral("desk_day"), 1, error, &failed)
        && !run(database, QStringLiteral("INSERT INTO desk_day (id, business_day) VALUES (1, '')"), {}, error))
        return false;
    return !failed;
}

// The daily ledger of the takings: its tables, kept by triggers on the settled rows, filled
// once from the rows stored before.
QList<TableDefinition> ledgerTables(const QList<const TakingsLedger::Table*>& ledger)
{
    QList<TableDefinition> tables;
    for (const TakingsLedger::Table* table : ledger)
        tables.append({ table->name, table->columnDefinitions(), QStringLiteral("WITHOUT ROWID") });
    return tables;
}

bool fillLedger(Database& database, QString* error)
{
    *error = TakingsLedger::Rebuild(database, TakingsLedger::FirstTables(database.dialect()));
    return error->isEmpty();
}

bool fillReceiptDays(Database& database, QString* error)
{
    *error = TakingsLedger::Rebuild(database, { &TakingsLedger::ReceiptDays(database.dialect()) });
    return error->isEmpty();
}

bool fillGoodsMonths(Database& database, QString* error)
{
    *error = TakingsLedger::Rebuild(database, { &TakingsLedger::GoodsMonths(database.dialect()) });
    return error->isEmpty();
}

bool fillItemLedger(Database& database, QString* error)
{
    *error = TakingsLedger::Rebuild(database, TakingsLedger::ItemTables(database.dialect()));
    return error->isEmpty();
}

// Adds a column (`definition`: its name and type) to `table` unless the table has it, so that a
// step that adds columns can be run again like the others.
bool addMissingColumn(Database& database, const QString& table, const QString& definition, QString* error)
{
    const QString column = definition.section(u' ', 0, 0);
    const QString columnsOfTable = database.dialect().isSqlite()
        ? QStringLiteral("SELECT count(*) FROM pragma_table_info(?) WHERE name=?")
        : QStringLiteral("SELECT count(*) FROM information_schema.columns WHERE table_schema=current_schema() "
                         "AND table_name=lower(?) AND column_name=?");
    QString readError;
    const bool present = database.scalar(columnsOfTable, { table, column }, &readError).toInt() > 0;
    if (!readError.isEmpty()) {
        *error = readError;
        return false;
    }
    return present || run(database, addColumn(database.dialect(), table, definition), {}, error);
}

// The columns of MoneyColumns, all text.
bool addMoneyColumns(Database& database, QString* error)
{
    for (const AddedColumn& added : MoneyColumns) {
        if (!addMissingColumn(database, QString::fromLatin1(added.table),
                QString::fromLatin1(added.column) + QStringLiteral(" TEXT NOT NULL DEFAULT ''"), error))
            return false;
    }
    return true;
}

// The version of the desk's live state (version 10): every action on it counts it up first, in
// the statement that takes its lock, so a desk that finds its own count plus one knows that no
// other desk changed the state meanwhile. Added only when missing, so the step can run again.
bool addDeskVersion(Database& database, QString* error)
{
    return addMissingColumn(
        database, QStringLiteral("desk_day"), QStringLiteral("version INTEGER NOT NULL DEFAULT 0"), error);
}

// The flag "服务项目设置" of the authority rows (version 12), str19, stored as the buttons' flags
// are: 1 allowed, 0 not. Whoever may set the prices (str6, 0 = allowed) may set the service
// items too: the general manager and the manager of a delivered installation. The rows are
// given it only when the column is added, so that running the step again changes nothing.
bool addCatalogueFlag(Database& database, QString* error)
{
    const QString table = QStringLiteral("authority");
    const QString columnsOfTable = database.dialect().isSqlite()
        ? QStringLiteral("SELECT count(*) FROM pragma_table_info(?) WHERE name=?")
        : QStringLiteral("SELECT count(*) FROM information_schema.columns WHERE table_schema=current_schema() "
                         "AND table_name=lower(?) AND column_name=?");
    QString readError;
    const bool present = database.scalar(columnsOfTable, { table, QStringLiteral("str19") }, &readError).toInt() > 0;
    if (!readError.isEmpty()) {
        *error = readError;
        return false;
    }
    if (present)
        return true;
    return addMissingColumn(database, table, QStringLiteral("str19 INTEGER NOT NULL DEFAULT 0"), error)
        && run(database, QStringLiteral("UPDATE authority SET str19=CASE WHEN str6=0 THEN 1 ELSE 0 END"), {}, error);
}

// The 点钟 mark of the technicians of the open bills (version 13): 1 when the guest asked for
// the technician by number. Added only when missing, so the step can run again.
bool addRequestedMarks(Database& database, QString* error)
{
    return addMissingColumn(database, QStringLiteral("desk_bill_technician"),
               QStringLiteral("requested INTEGER NOT NULL DEFAULT 0"), error)
        && fillItemLedger(database, error);
}

// The flag "会员充值" of the authority rows (version 14), str20, stored as str19 is: 1 allowed,
// 0 not. Every role of a delivered installation takes top-ups at the desk; a house's rows get
// it when the column is added, so that running the step again changes nothing. The daily
// ledger of the card movements is filled from the rows (none on a house that had no cards).
bool addCardFlag(Database& database, QString* error)
{
    const QString columnsOfTable = database.dialect().isSqlite()
        ? QStringLiteral("SELECT count(*) FROM pragma_table_info(?) WHERE name=?")
        : QStringLiteral("SELECT count(*) FROM information_schema.columns WHERE table_schema=current_schema() "
                         "AND table_name=lower(?) AND column_name=?");
    QString readError;
    const bool present
        = database.scalar(columnsOfTable, { QStringLiteral("authority"), QStringLiteral("str20") }, &readError).toInt()
        > 0;
    if (!readError.isEmpty()) {
        *error = readError;
        return false;
    }
    if (!present
        && !(addMissingColumn(
                 database, QStringLiteral("authority"), QStringLiteral("str20 INTEGER NOT NULL DEFAULT 0"), error)
            && run(database, QStringLiteral("UPDATE authority SET str20=1"), {}, error)))
        return false;
    *error = TakingsLedger::Rebuild(database, TakingsLedger::CardTables(database.dialect()));
    return error->isEmpty();
}

// The hand-over's figures of the member cards and the waived change (version 15), each added
// only when missing, so the step can run again: the last card movement it covers, the top-ups
// per method, the bonus given, the principal paid back at 退卡 and the change waived.
bool addHandOverCardColumns(Database& database, QString* error)
{
    if (!addMissingColumn(database, QStringLiteral("handover"),
            QStringLiteral("last_card_movement INTEGER NOT NULL DEFAULT 0"), error))
        return false;
    for (const char* column : { "topup_cash", "topup_wechat", "topup_alipay", "topup_bank_card", "topup_bonus",
             "card_cash_out_cash", "card_cash_out_other", "waived_total" }) {
        if (!addMissingColumn(database, QStringLiteral("handover"),
                QString::fromLatin1(column) + QStringLiteral(" TEXT NOT NULL DEFAULT ''"), error))
            return false;
    }
    return true;
}

// One step of the schema's history: the tables and indexes it adds (with CREATE … IF NOT
// EXISTS, so a step can be run again), and the fixed rows it makes sure of. A step that
// changes the schema lists here everything it adds, and nothing else needs to know: the shape
// a file of each version must have is learned by running the steps (see expectedShape()).
struct SchemaStep
{
    int version;
    QList<TableDefinition> tables;
    QStringList statements; // indexes and other additions, after the tables
    bool (*addRows)(Database&, QString*);
};

QList<SchemaStep> stepsOf(const SqlDialect& dialect)
{
    QStringList indexes;
    for (const char* index : Indexes)
        indexes << QString::fromLatin1(index);
    QStringList shiftIndexes;
    for (const char* index : ShiftIndexes)
        shiftIndexes << QString::fromLatin1(index);
    QStringList catalogueIndexes;
    for (const char* index : CatalogueIndexes)
        catalogueIndexes << QString::fromLatin1(index);
    QStringList requestStatements;
    for (const char* index : RequestIndexes)
        requestStatements << QString::fromLatin1(index);
    requestStatements << TakingsLedger::TriggerStatements(TakingsLedger::ItemTables(dialect));
    QStringList paymentStatements;
    for (const char* index : PaymentIndexes)
        paymentStatements << QString::fromLatin1(index);
    paymentStatements << TakingsLedger::TriggerStatements({ &TakingsLedger::Payments(dialect) });
    // On the server the functions that read amounts come first: the ledger's triggers call them.
    // (Every house on a server was made by this program at a version with the ledger.)
    const QStringList functions = dialect.isSqlite() ? QStringList() : ServerFunctions::statements();
    return QList<SchemaStep> {
        // The business tables.
        { 1, tables(), functions + indexes, insertFixedRows },
        // The desk session: the rooms in use, their open bills, the technicians' queues
        // and the day's rota.
        { 2, deskTables(), {}, addDeskDay },
        // The receipt number is unique.
        { 3, {}, {}, makeReceiptNumbersUnique },
        // The closed shifts; the receipts kept before are closed by one.
        { 4, shiftTables(), shiftIndexes, closeEarlierReceipts },
        // The operator log; the payment method and printed prices of a receipt, the totals
        // per method and the counted drawer of a hand-over.
        { 5, logTables(), logStatements(dialect), addMoneyColumns },
        // The chains over the operator log and the receipts, and the refusal of a REPLACE.
        { 6, chainTables(), chainStatements(dialect), linkExistingRows },
        // The daily ledger of the takings.
        { 7, ledgerTables(TakingsLedger::FirstTables(dialect)), TakingsLedger::TriggerStatementsOfVersion7(dialect),
            fillLedger },
        // The ledger reads an amount with a third decimal place as the number written
        // ("1.005" is 1.01, as every list and receipt shows it), and is counted again.
        { 8, {},
            TakingsLedger::DropTriggerStatements(TakingsLedger::FirstTables(dialect))
                + TakingsLedger::TriggerStatements(TakingsLedger::FirstTables(dialect)),
            fillLedger },
        // The receipts per day and payment method alone, for the totals of long periods.
        { 9, ledgerTables({ &TakingsLedger::ReceiptDays(dialect) }),
            TakingsLedger::TriggerStatements({ &TakingsLedger::ReceiptDays(dialect) }), fillReceiptDays },
        // The version of the desk's live state, counted up by every action on it.
        { 10, {}, {}, addDeskVersion },
        // The setting files of the data folder as rows, for the desks of one server.
        { 11, settingFileTables(), {}, nullptr },
        // The service items of the menu, the receipts' item lines and the flag that opens the
        // items' settings.
        { 12, catalogueTables(), catalogueIndexes, addCatalogueFlag },
        // The item lines and the 点钟 marks of the open bills, the technicians' calls of the
        // receipts, and their ledger.
        { 13, requestTables() + ledgerTables(TakingsLedger::ItemTables(dialect)), requestStatements,
            addRequestedMarks },
        // The stored-value member cards: their balances, their ledger and its daily sums, the
        // top-up rules and the flag that opens the top-up window. The card chain of an existing
        // house starts empty: there is nothing to link.
        { 14, cardTables() + ledgerTables(TakingsLedger::CardTables(dialect)), cardStatements(dialect), addCardFlag },
        // The parts of each bill's payment and the waived change, and their ledger.
        { 15, paymentTables() + ledgerTables({ &TakingsLedger::Payments(dialect) }), paymentStatements,
            addHandOverCardColumns },
        // The goods sales per month, for the rankings of long periods.
        { 16, ledgerTables({ &TakingsLedger::GoodsMonths(dialect) }),
            TakingsLedger::TriggerStatements({ &TakingsLedger::GoodsMonths(dialect) }), fillGoodsMonths },
    };
}

const QList<SchemaStep>& steps(const SqlDialect& dialect)
{
    static const QList<SchemaStep> ofFile = stepsOf(SqlDialect(SqlEngine::Sqlite));
    static const QList<SchemaStep> ofServer = stepsOf(SqlDialect(SqlEngine::Postgres));
    return dialect.isSqlite() ? ofFile : ofServer;
}

// The schema as the file holds it, one line per object, sorted: tables with their columns
// (name, declared type, key position), indexes with their table, uniqueness and columns, and
// triggers with their table and whole definition (a trigger can refuse, change or add rows, so
// a missing or a foreign one matters like a column). SQLite's own objects are left out, and so
// are views, which hold no data and change none.
SqlResult readFileShape(Database& database, QStringList* shape)
{
    const SqlResult objects = database.exec(QStringLiteral(
        "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE type IN ('table', 'index', 'trigger') "
        "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    if (!objects.ok())
        return objects;
    for (const QSqlRecord& object : objects.rows) {
        const QString type = object.value(0).toString();
        const QString name = object.value(1).toString();
        const QString table = object.value(2).toString();
        QStringList parts;
        if (type == u"table") {
            const SqlResult columns = database.exec(
                QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?) ORDER BY cid"), { name });
            if (!columns.ok())
                return columns;
            for (const QSqlRecord& column : columns.rows)
                parts << QStringLiteral("%1 %2 %3")
                             .arg(column.value(0).toString(), column.value(1).toString(), column.value(2).toString());
        } else if (type == u"index") {
            const SqlResult columns
                = database.exec(QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno"), { name });
            const SqlResult unique = database.exec(
                QStringLiteral("SELECT \"unique\" FROM pragma_index_list(?) WHERE name=?"), { table, name });
            if (!columns.ok())
                return columns;
            if (!unique.ok())
                return unique;
            parts << (!unique.isEmpty() && unique.first().value(0).toInt() ? QStringLiteral("unique")
                                                                           : QStringLiteral("plain"));
            for (const QSqlRecord& column : columns.rows)
                parts << column.value(0).toString();
        } else {
            parts << object.value(3).toString().simplified();
        }
        *shape << QStringLiteral("%1 %2 on %3: %4").arg(type, name, table, parts.join(QStringLiteral(", ")));
    }
    shape->sort();
    return {};
}

// The same on the server, for the current schema: the tables with each column's name, type,
// collation, null rule, default or generation and key position; the indexes; the triggers with
// their definition and their function's body; and the functions (the money functions, the
// triggers' bodies), whose text decides what the database does as much as a trigger's.
SqlResult readServerShape(Database& database, QStringList* shape)
{
    const QString here = QStringLiteral("current_schema()::regnamespace");
    const SqlResult columns = database.exec(
        QStringLiteral("SELECT c.relname, string_agg(a.attname || ' ' || format_type(a.atttypid, a.atttypmod) || ' ' "
                       "|| coalesce((SELECT collname FROM pg_collation WHERE oid=a.attcollation), '-') || ' ' "
                       "|| CASE WHEN a.attnotnull THEN 'notnull' ELSE 'null' END || ' ' || a.attidentity::text || "
                       "a.attgenerated::text || ' ' "
                       "|| coalesce(pg_get_expr(d.adbin, d.adrelid), '-') || ' ' "
                       "|| coalesce(array_position(k.indkey::int2[], a.attnum), 0), ', ' ORDER BY a.attnum) "
                       "FROM pg_class c JOIN pg_attribute a ON a.attrelid=c.oid AND a.attnum>0 AND NOT a.attisdropped "
                       "LEFT JOIN pg_attrdef d ON d.adrelid=c.oid AND d.adnum=a.attnum "
                       "LEFT JOIN pg_index k ON k.indrelid=c.oid AND k.indisprimary "
                       "WHERE c.relnamespace=%1 AND c.relkind IN ('r', 'p') AND c.relname<>'%2' GROUP BY c.relname")
            .arg(here, QLatin1String(Schema::ServerVersionTable)));
    if (!columns.ok())
        return columns;
    for (const QSqlRecord& table : columns.rows)
        *shape << QStringLiteral("table %1 on %1: %2").arg(table.value(0).toString(), table.value(1).toString());

    const SqlResult indexes = database.exec(
        QStringLiteral("SELECT i.relname, t.relname, CASE WHEN x.indisunique THEN 'unique' ELSE 'plain' END, "
                       "(SELECT string_agg(pg_get_indexdef(x.indexrelid, n, true), ', ' ORDER BY n) "
                       "FROM generate_series(1, x.indnatts) AS n) "
                       "FROM pg_index x JOIN pg_class i ON i.oid=x.indexrelid JOIN pg_class t ON t.oid=x.indrelid "
                       "WHERE t.relnamespace=%1 AND t.relname<>'%2'")
            .arg(here, QLatin1String(Schema::ServerVersionTable)));
    if (!indexes.ok())
        return indexes;
    for (const QSqlRecord& index : indexes.rows)
        *shape << QStringLiteral("index %1 on %2: %3, %4")
                      .arg(index.value(0).toString(), index.value(1).toString(), index.value(2).toString(),
                          index.value(3).toString());

    const SqlResult triggers = database.exec(QStringLiteral(
        "SELECT t.tgname, c.relname, replace(pg_get_triggerdef(t.oid), quote_ident(current_schema()) || '.', '') "
        "FROM pg_trigger t JOIN pg_class c ON c.oid=t.tgrelid WHERE NOT t.tgisinternal AND c.relnamespace=%1")
                                                 .arg(here));
    if (!triggers.ok())
        return triggers;
    for (const QSqlRecord& trigger : triggers.rows)
        *shape << QStringLiteral("trigger %1 on %2: %3")
                      .arg(trigger.value(0).toString(), trigger.value(1).toString(),
                          trigger.value(2).toString().simplified());

    const SqlResult functions = database.exec(QStringLiteral(
        "SELECT p.proname, pg_get_function_identity_arguments(p.oid), p.prokind, p.prosrc FROM pg_proc p "
        "WHERE p.pronamespace=%1")
                                                  .arg(here));
    if (!functions.ok())
        return functions;
    for (const QSqlRecord& function : functions.rows)
        *shape << QStringLiteral("function %1 on %2: %3 %4")
                      .arg(function.value(0).toString(), function.value(1).toString(), function.value(2).toString(),
                          function.value(3).toString().simplified());
    shape->sort();
    return {};
}

SqlResult readShape(Database& database, QStringList* shape)
{
    return database.dialect().isSqlite() ? readFileShape(database, shape) : readServerShape(database, shape);
}

// The shape of a file of `version` as this program makes it: the steps run on an empty
// database in memory. On a server, the steps run in a schema of their own inside a
// transaction that is rolled back, so that nothing of it stays. Worked out once per engine and
// version and run.
QStringList expectedShape(Database& database, int version, QString* error)
{
    static QMap<std::pair<bool, int>, QStringList> known;
    const bool sqlite = database.dialect().isSqlite();
    if (const auto found = known.constFind({ sqlite, version }); found != known.constEnd())
        return *found;
    QStringList shape;
    if (sqlite) {
        Database reference;
        if (!reference.create(QStringLiteral(":memory:"), version)) {
            *error = reference.lastError();
            return {};
        }
        if (const SqlResult read = readShape(reference, &shape); !read.ok()) {
            *error = read.error;
            return {};
        }
    } else {
        SqlTransaction scratch(database);
        if (!scratch.isActive()) {
            *error = scratch.error();
            return {};
        }
        const QString schema = QStringLiteral("tavrel_reference");
        for (const QString& statement : { QStringLiteral("CREATE SCHEMA %1").arg(schema),
                 QStringLiteral("SET LOCAL search_path TO %1").arg(schema) }) {
            if (const SqlResult made = database.execAsWritten(statement); !made.ok()) {
                *error = made.error;
                return {};
            }
        }
        if (!Schema::upgrade(database, 0, version, error))
            return {};
        if (const SqlResult read = readShape(database, &shape); !read.ok()) {
            *error = read.error;
            return {};
        }
        // Leaving the scope rolls the reference back.
    }
    known.insert({ sqlite, version }, shape);
    return shape;
}

} // namespace

namespace Schema {

QStringList tableNames()
{
    QStringList names;
    for (const SchemaStep& step : steps(SqlDialect(SqlEngine::Sqlite))) {
        for (const TableDefinition& table : step.tables)
            names << table.name;
    }
    return names;
}

bool migrate(Database& database, int fromVersion, QString* error)
{
    return upgrade(database, fromVersion, Database::SchemaVersion, error);
}

bool upgrade(Database& database, int fromVersion, int toVersion, QString* error)
{
    SqlTransaction transaction(database);
    if (!transaction.isActive()) {
        *error = transaction.error();
        return false;
    }
    for (const SchemaStep& step : steps(database.dialect())) {
        if (step.version <= fromVersion || step.version > toVersion)
            continue;
        if (!createTables(database, step.tables, error))
            return false;
        for (const QString& statement : step.statements) {
            if (!run(database, statement, {}, error))
                return false;
        }
        if (step.addRows && !step.addRows(database, error))
            return false;
    }
    if (const QString failed = database.setSchemaVersion(toVersion); !failed.isEmpty()) {
        *error = failed;
        return false;
    }
    if (!transaction.commit()) {
        *error = transaction.error();
        return false;
    }
    return true;
}

SqlResult compareShape(Database& database, int version, QString* mismatch)
{
    QString error;
    const QStringList expected = expectedShape(database, version, &error);
    if (!error.isEmpty()) {
        SqlResult failed;
        failed.error = error;
        return failed;
    }
    QStringList found;
    if (const SqlResult read = readShape(database, &found); !read.ok())
        return read;
    QStringList differences;
    for (const QString& line : expected) {
        if (!found.contains(line))
            differences << QStringLiteral("缺少 ") + line;
    }
    for (const QString& line : std::as_const(found)) {
        if (!expected.contains(line))
            differences << QStringLiteral("多出 ") + line;
    }
    if (!differences.isEmpty()) {
        constexpr int Shown = 3;
        *mismatch = QStringLiteral("版本 %1;").arg(version) + differences.mid(0, Shown).join(QStringLiteral(";"));
        if (differences.size() > Shown)
            *mismatch += QStringLiteral(";… (共 %1 处)").arg(differences.size());
    }
    return {};
}

} // namespace Schema
