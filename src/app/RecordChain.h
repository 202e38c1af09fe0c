#pragma once

#include <QString>
#include <QStringList>

#include <span>

class Database;
class QSqlDatabase;

// The records that prove themselves: the operator log and the settled receipts each form a
// chain of SHA-256 links, kept in the table chain_link (chain, position, link).
//
// The link of a row is SHA-256(content ‖ link of the row before it in the same chain), 32 zero
// bytes before the first row; it is stored as 64 lower-case hex digits. The content is a list
// of rows, each written as its table name, its number of fields and then its fields, in the
// column order given in RecordChain.cpp; every one of these is a field, written as its UTF-8
// text after its length in four bytes, most significant first (a NULL is the length FFFFFFFF
// and no text). A row of the log chain is one operator_log row, at the position of its id. A
// link of the receipt chain covers a settled bill: its Receiptform row, then its salaryform
// rows and then its spsalay rows in the order they were written, at the position of its number.
// A row of the card chain is one card_ledger row (a movement of a member card's money), at the
// position of its number.
//
// A link is written in the transaction that writes its rows. Changing a row afterwards, or
// removing one, makes its stored link disagree with what the rows hold, and the walk below
// finds it; the links themselves are only ever added (triggers refuse a change or deletion).
namespace RecordChain {

enum class Chain { OperatorLog, Receipts, Cards };

// The position of the row of the operator log that the caller has just inserted (the last
// insert of its connection), for a caller that did not wait for the row's id.
inline constexpr qint64 JustWritten = -1;

// A row (or bill) to link: its chain and its position.
struct Position
{
    Chain chain;
    qint64 position;
    // With JustWritten: how many rows the caller inserted into the log after this one.
    int writtenAfter = 0;
};

// Adds the links of the rows (or bills) at `positions`, which the caller has just written in
// its open transaction, reading them all in one statement. Positions of one chain come in
// ascending order; each links to the one before it in the same call when nothing stored lies
// between. Returns the error text, empty on success.
QString link(Database& database, std::span<const Position> positions);
inline QString link(Database& database, Chain chain, qint64 position)
{
    const Position one { chain, position };
    return link(database, std::span<const Position>(&one, 1));
}

// Gives every row of the log and receipt chains its link, in order, streaming the rows: the step of the
// schema that brings the chains in, on a file whose chains are empty. Part of the caller's
// transaction. Returns the error text. (The card chain came with its table, which was empty.)
QString linkAll(const QSqlDatabase& connection);

// The result of walking the chains.
struct Verdict
{
    QStringList breaks; // one line per chain that does not hold, in Chinese: the first row that
                        // no longer matches, what it holds now and when
    QString error; // the walk could not run: the database's text
    qint64 logRows = 0; // rows walked
    qint64 receipts = 0;
    qint64 cardRows = 0;

    bool whole() const { return breaks.isEmpty() && error.isEmpty(); }
    // One line for the manager: whole with the counts walked, or what broke.
    QString summary() const;
};

// Walks the chains on `connection` (the card chain where its table exists) (read only) from the first row to the last;
// with a day `since` ("yyyy-MM-dd"), only from the first row of that day or later on, taking the stored link before it
// as it is (the daily walk of what was written since the last one).
Verdict verify(const QSqlDatabase& connection, const QString& since = {});

} // namespace RecordChain

// Walks the chains of the database; an empty text when both hold, otherwise what broke (for
// a restore, which refuses such a backup).
QString VerifyChains(Database& database);
