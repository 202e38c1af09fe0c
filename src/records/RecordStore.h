#pragma once

#include "app/Money.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class Database;

// The three record tables kept by one dialog: goods in stock (kucheninfo), staff (worksinfo)
// and members with their cards (huiyeninfo).
enum class RecordMode { Goods = 0, Staff = 1, Members = 2 };

// Every record is nine texts, str1 (the code) to str9 (the category).
inline constexpr int RecordColumnCount = 9;
// The byte limits of str1 to str8; the category has none.
inline constexpr std::array<int, 8> RecordFieldByteLimits = { 12, 68, 120, 22, 11, 50, 50, 250 };

// A goods record's total: the unit price times the quantity in stock, each read strictly as
// typed and exactly, rounded once; nothing while either is not a sane number.
std::optional<Money> GoodsTotal(const QString& unitPrice, const QString& quantity);

struct MasterRecord
{
    qint64 id = 0; // the row's key (SqlDialect::rowKey())
    QStringList values; // str1 .. str9
};

// The outcome of adding, changing or deleting a record.
struct RecordChange
{
    bool done = false;
    // When not done: the rule's message or the database error text to show; empty when there
    // is nothing to say (the record no longer exists).
    QString message;
    QString caption; // "警告" for a duplicate code, otherwise empty (the application's title)
    MasterRecord record; // the record as written (code and name trimmed)
};

class RecordStore
{
public:
    static const QString EmptyCodeText; // "编号不能为空!"
    static const QString EmptyNameText; // "名称不能为空!"
    static const QString DuplicateText; // "数据库已有相同的记录，请更改为其它!"
    static const QString DuplicateCaption; // "警告"

    RecordStore(Database& database, RecordMode mode);

    static QString tableName(RecordMode mode);
    // The category list of the mode; "全部" (goods, staff) is a filter, not a category.
    static QStringList categories(RecordMode mode);
    static const QString AllCategories; // "全部"

    RecordMode mode() const { return m_mode; }

    // The nine columns of every record table, str1 to str9.
    static QStringList columnNames();

    // The record behind a row of the list, read by its key.
    std::optional<MasterRecord> find(qint64 id, QString* error) const;

    // The checks of a new record (code and name present, a goods record's unit price and
    // quantity sane numbers, code not taken), without writing; `done` tells that the record
    // may be added.
    RecordChange checkNew(const QStringList& values) const;
    RecordChange add(const QStringList& values);
    // Rewrites record `id`, checked as a new one is. A changed code must be free; a member's
    // card number and card amount (str1, str7) are never changed here.
    RecordChange modify(qint64 id, const QStringList& values);
    RecordChange remove(qint64 id);

private:
    bool codeTaken(const QString& code, qint64 exceptId, QString* error) const;

    Database& m_database;
    RecordMode m_mode;
    QString m_table;
};
