#include "app/RecordChain.h"

#include "app/Database.h"
#include "app/ReceiptStore.h"
#include "app/SqlDialect.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <array>
#include <optional>
#include <sodium.h>
#include <span>

namespace {

// The fields of each row in the order they are hashed: the log's columns, and those of a
// bill's three tables in the order ReceiptStore writes them. Changing a list breaks every
// stored link: a new column joins the content only with a new chain.
constexpr QLatin1StringView LogTable { "operator_log" };
constexpr QLatin1StringView LogColumns[] = { QLatin1StringView("id"), QLatin1StringView("time"),
    QLatin1StringView("kind"), QLatin1StringView("login"), QLatin1StringView("role"), QLatin1StringView("authoriser"),
    QLatin1StringView("authoriser_role"), QLatin1StringView("room"), QLatin1StringView("receipt"),
    QLatin1StringView("description"), QLatin1StringView("amount") };

constexpr QLatin1StringView CardTable { "card_ledger" };
constexpr QLatin1StringView CardColumns[]
    = { QLatin1StringView("id"), QLatin1StringView("time"), QLatin1StringView("card"), QLatin1StringView("kind"),
          QLatin1StringView("principal_fen"), QLatin1StringView("bonus_fen"), QLatin1StringView("principal_after"),
          QLatin1StringView("bonus_after"), QLatin1StringView("receipt"), QLatin1StringView("method"),
          QLatin1StringView("cashier"), QLatin1StringView("approver"), QLatin1StringView("note") };

// What one link of a chain covers: the row of its position in the first table, then those of
// the others under the same number, in this order; both the walk and a new link read them so.
struct ChainPart
{
    QLatin1StringView table;
    std::span<const QLatin1StringView> columns;
    bool manyRows; // ordered by the row key under one number

    int fieldCount() const { return static_cast<int>(columns.size()); }
};
constexpr ChainPart LogParts[] = { { LogTable, LogColumns, false } };
constexpr ChainPart CardParts[] = { { CardTable, CardColumns, false } };
// The item lines, the technicians' calls, the parts of the payment and the waived change came
// later: a receipt of before has no row in them, which adds nothing to its content, so its
// stored link still holds.
constexpr ChainPart ReceiptParts[] = { { ReceiptTable::Receipts, ReceiptColumn::All, false },
    { ReceiptTable::Salaries, CommissionColumn::All, true }, { ReceiptTable::Goods, GoodsColumn::All, true },
    { ReceiptTable::Items, ItemColumn::All, true }, { ReceiptTable::Calls, CallColumn::All, true },
    { ReceiptTable::Payments, PaymentColumn::All, true }, { ReceiptTable::Waivers, WaiverColumn::All, true } };
constexpr int FirstLaterReceiptPart = 3;
static_assert(std::size(ReceiptColumn::All) == 20 && std::size(CommissionColumn::All) == 8
        && std::size(GoodsColumn::All) == 8 && std::size(ItemColumn::All) == 12 && std::size(CallColumn::All) == 7
        && std::size(PaymentColumn::All) == 7 && std::size(WaiverColumn::All) == 6,
    "the receipt chain hashes these fields: a changed list breaks every stored link");

// The select of a part's rows whose number compares to the bound one by `comparison`.
QString selectOf(const ChainPart& part, const QString& rowKey, QStringView comparison)
{
    return QStringLiteral("SELECT %1 FROM %2 WHERE id%3? ORDER BY id%4")
        .arg(columnList(part.columns), part.table, comparison, part.manyRows ? u", " + rowKey : QString());
}

using Digest = std::array<unsigned char, crypto_hash_sha256_BYTES>;

QString chainName(RecordChain::Chain chain)
{
    switch (chain) {
    case RecordChain::Chain::OperatorLog:
        return QStringLiteral("log");
    case RecordChain::Chain::Cards:
        return QStringLiteral("card");
    case RecordChain::Chain::Receipts:
        break;
    }
    return QStringLiteral("receipt");
}

// Whether the house holds `table` (the card chain's came with version 14).
bool hasTable(const QSqlDatabase& connection, QLatin1StringView table)
{
    QSqlQuery count(connection);
    count.prepare(SqlDialect::of(connection).tablesNamed());
    count.addBindValue(QString(table));
    return count.exec() && count.next() && count.value(0).toInt() > 0;
}

QString errorOf(const QSqlQuery& query)
{
    return DatabaseErrorText(query.lastError());
}

// The content of one link, hashed as it is written (see RecordChain.h).
class Content
{
public:
    Content() { crypto_hash_sha256_init(&m_state); }

    // A row of a query or a record read whole: the same values hash the same.
    template <typename Row> void addRow(QLatin1StringView table, const Row& row, int fieldCount)
    {
        addText(QByteArray(table.data(), table.size()));
        addText(QByteArray::number(fieldCount));
        for (int i = 0; i < fieldCount; ++i) {
            const QVariant value = row.value(i);
            if (value.isNull())
                addLength(0xFFFFFFFFu);
            else
                addText(value.toString().toUtf8());
        }
    }

    Digest linkAfter(const Digest& previous) const
    {
        crypto_hash_sha256_state state = m_state;
        crypto_hash_sha256_update(&state, previous.data(), previous.size());
        Digest link {};
        crypto_hash_sha256_final(&state, link.data());
        return link;
    }

private:
    void addLength(quint32 length)
    {
        const unsigned char bytes[4]
            = { static_cast<unsigned char>(length >> 24), static_cast<unsigned char>(length >> 16),
                  static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length) };
        crypto_hash_sha256_update(&m_state, bytes, sizeof bytes);
    }

    void addText(const QByteArray& text)
    {
        addLength(static_cast<quint32>(text.size()));
        crypto_hash_sha256_update(&m_state, reinterpret_cast<const unsigned char*>(text.constData()),
            static_cast<unsigned long long>(text.size()));
    }

    crypto_hash_sha256_state m_state;
};

QByteArray hexOf(const Digest& digest)
{
    return QByteArray(reinterpret_cast<const char*>(digest.data()), static_cast<qsizetype>(digest.size())).toHex();
}

// A select read forward one row at a time, keyed by its first column. Several are read side by
// side on one connection: a file's are read as they go; a server's connection serves one
// result at a time row by row, so there each result is fetched whole before it is read.
class Cursor
{
public:
    explicit Cursor(const QSqlDatabase& connection)
        : m_query(connection)
    {
        m_query.setForwardOnly(SqlDialect::of(connection).isSqlite());
    }

    QString start(const QString& sql, const QVariantList& values)
    {
        if (!m_query.prepare(sql))
            return errorOf(m_query);
        for (const QVariant& value : values)
            m_query.addBindValue(value);
        if (!m_query.exec())
            return errorOf(m_query);
        return advance();
    }

    QString advance()
    {
        m_valid = m_query.next();
        if (!m_valid && m_query.lastError().isValid())
            return errorOf(m_query);
        return {};
    }

    bool valid() const { return m_valid; }
    qint64 key() const { return m_query.value(0).toLongLong(); }
    const QSqlQuery& row() const { return m_query; }

private:
    QSqlQuery m_query;
    bool m_valid = false;
};

// One link's worth of rows: its position, its content and a line saying what it holds now.
struct Element
{
    qint64 position = 0;
    Content content;
    QString held;
};

QString logHeld(const QSqlQuery& row)
{
    QString text
        = QStringLiteral("操作日志第%1条(%2,%3,%4")
              .arg(row.value(0).toString(), row.value(1).toString(), row.value(2).toString(), row.value(9).toString());
    if (!row.value(10).toString().isEmpty())
        text += QStringLiteral(",金额 %1").arg(row.value(10).toString());
    return text + u')';
}

QString cardHeld(const QSqlQuery& row)
{
    return QStringLiteral("会员卡流水第%1条(%2,卡号%3,%4,本金 %5 分,赠送 %6 分)")
        .arg(row.value(0).toString(), row.value(1).toString(), row.value(2).toString(), row.value(3).toString(),
            row.value(4).toString(), row.value(5).toString());
}

QString receiptHeld(const QSqlQuery& row)
{
    return QStringLiteral("单据%1(%2,%3号房,合计 %4)")
        .arg(row.value(0).toString(), row.value(12).toString(), row.value(1).toString(), row.value(9).toString());
}

// The rows of one chain from `from` on, in the order of their positions, read as they come.
class ChainRows
{
public:
    ChainRows(const QSqlDatabase& connection, RecordChain::Chain chain, qint64 from)
        : m_chain(chain)
        , m_main(connection)
        , m_salaries(connection)
        , m_goods(connection)
        , m_later { Cursor(connection), Cursor(connection), Cursor(connection), Cursor(connection) }
    {
        const QString rowKey = SqlDialect::of(connection).rowKey();
        if (chain == RecordChain::Chain::OperatorLog) {
            m_error = m_main.start(selectOf(LogParts[0], rowKey, u">="), { from });
            return;
        }
        if (chain == RecordChain::Chain::Cards) {
            m_error = m_main.start(selectOf(CardParts[0], rowKey, u">="), { from });
            return;
        }
        m_error = m_main.start(selectOf(ReceiptParts[0], rowKey, u">="), { from });
        if (m_error.isEmpty())
            m_error = m_salaries.start(selectOf(ReceiptParts[1], rowKey, u">="), { from });
        if (m_error.isEmpty())
            m_error = m_goods.start(selectOf(ReceiptParts[2], rowKey, u">="), { from });
        // The chain first linked the receipts of a house made before the later parts were.
        const auto present = [&connection](QLatin1StringView table) { return hasTable(connection, table); };
        for (size_t i = 0; i < m_later.size(); ++i) {
            const ChainPart& part = ReceiptParts[FirstLaterReceiptPart + i];
            if (m_error.isEmpty() && present(part.table))
                m_error = m_later[i].start(selectOf(part, rowKey, u">="), { from });
        }
    }

    QString error() const { return m_error; }

    // The next element, or nothing at the end or after a failure (see error()).
    std::optional<Element> next()
    {
        if (!m_error.isEmpty() || !m_main.valid())
            return std::nullopt;
        std::optional<Element> element(std::in_place);
        element->position = m_main.key();
        if (m_chain == RecordChain::Chain::OperatorLog) {
            element->content.addRow(LogParts[0].table, m_main.row(), LogParts[0].fieldCount());
            element->held = logHeld(m_main.row());
        } else if (m_chain == RecordChain::Chain::Cards) {
            element->content.addRow(CardParts[0].table, m_main.row(), CardParts[0].fieldCount());
            element->held = cardHeld(m_main.row());
        } else {
            element->content.addRow(ReceiptParts[0].table, m_main.row(), ReceiptParts[0].fieldCount());
            element->held = receiptHeld(m_main.row());
            addRowsOf(element->position, m_salaries, ReceiptParts[1], element->content);
            addRowsOf(element->position, m_goods, ReceiptParts[2], element->content);
            for (size_t i = 0; i < m_later.size(); ++i)
                addRowsOf(element->position, m_later[i], ReceiptParts[FirstLaterReceiptPart + i], element->content);
        }
        if (m_error.isEmpty())
            m_error = m_main.advance();
        if (!m_error.isEmpty())
            return std::nullopt;
        return element;
    }

private:
    // The rows of `lines` that belong to the bill at `position`; rows of no stored bill are
    // passed over.
    void addRowsOf(qint64 position, Cursor& lines, const ChainPart& part, Content& content)
    {
        while (m_error.isEmpty() && lines.valid() && lines.key() < position)
            m_error = lines.advance();
        while (m_error.isEmpty() && lines.valid() && lines.key() == position) {
            content.addRow(part.table, lines.row(), part.fieldCount());
            m_error = lines.advance();
        }
    }

    RecordChain::Chain m_chain;
    Cursor m_main;
    Cursor m_salaries;
    Cursor m_goods;
    // The parts that came later, in the order of ReceiptParts.
    std::array<Cursor, std::size(ReceiptParts) - FirstLaterReceiptPart> m_later;
    QString m_error;
};

QString insertLink(QSqlQuery& insert, RecordChain::Chain chain, qint64 position, const Digest& link)
{
    insert.addBindValue(chainName(chain));
    insert.addBindValue(position);
    insert.addBindValue(QString::fromLatin1(hexOf(link)));
    if (!insert.exec())
        return errorOf(insert);
    return {};
}

const char* const InsertLink = "INSERT INTO chain_link (chain, position, link) VALUES (?, ?, ?)";

// The stored link before a position given as `%1` (a placeholder, or what finds the position).
const char* const LinkBeforeAt
    = "SELECT link, position FROM chain_link WHERE chain=? AND position<%1 ORDER BY position DESC LIMIT 1";

// A link as stored; nothing for a text that is no link.
std::optional<Digest> linkOfHex(const QString& hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    Digest link {};
    if (bytes.size() != static_cast<qsizetype>(link.size()))
        return std::nullopt;
    std::copy(bytes.begin(), bytes.end(), link.begin());
    return link;
}

// The link a row follows: the stored one, or zeros for none (the first position) or for a
// text that is no link.
Digest digestOfHex(const QString& hex)
{
    return linkOfHex(hex).value_or(Digest {});
}

// The stored link of the last position before `position`.
Digest storedLinkBefore(const QSqlDatabase& connection, RecordChain::Chain chain, qint64 position, QString* error)
{
    Cursor before(connection);
    *error = before.start(QString::fromLatin1(LinkBeforeAt).arg(QStringLiteral("?")), { chainName(chain), position });
    return error->isEmpty() && before.valid() ? digestOfHex(before.row().value(0).toString()) : Digest {};
}

// The first position of a walk of what was written on the day `since` or later: the first row
// of that time, or past the last row when there is none (links beyond it still show).
qint64 firstPositionSince(
    const QSqlDatabase& connection, RecordChain::Chain chain, const QString& since, QString* error)
{
    const QLatin1StringView table = chain == RecordChain::Chain::OperatorLog ? LogTable
        : chain == RecordChain::Chain::Cards                                 ? CardTable
                                                                             : ReceiptTable::Receipts;
    Cursor first(connection);
    *error = first.start(QStringLiteral("SELECT coalesce((SELECT min(id) FROM %1 WHERE time>=?), "
                                        "(SELECT max(id) + 1 FROM %1), 0)")
                             .arg(table),
        { since });
    return error->isEmpty() && first.valid() ? first.key() : 0;
}

// Walks one chain from position `from` on; the first break goes to `breaks` with the number of
// further ones.
QString verifyChain(
    const QSqlDatabase& connection, RecordChain::Chain chain, qint64 from, QStringList& breaks, qint64& walked)
{
    QString error;
    Digest previous = from > 0 ? storedLinkBefore(connection, chain, from, &error) : Digest {};
    if (!error.isEmpty())
        return error;
    ChainRows rows(connection, chain, from);
    Cursor links(connection);
    error = rows.error();
    if (error.isEmpty())
        error = links.start(
            QStringLiteral("SELECT position, link FROM chain_link WHERE chain=? AND position>=? ORDER BY position"),
            { chainName(chain), from });
    if (!error.isEmpty())
        return error;

    const QString what = chain == RecordChain::Chain::OperatorLog ? QStringLiteral("操作日志第%1条")
        : chain == RecordChain::Chain::Cards                      ? QStringLiteral("会员卡流水第%1条")
                                                                  : QStringLiteral("单据%1");
    QString first;
    int count = 0;
    const auto note = [&](const QString& line) {
        if (count++ == 0)
            first = line;
    };
    std::optional<Element> element = rows.next();
    while (error.isEmpty() && (element || links.valid())) {
        if (element && (!links.valid() || element->position < links.key())) {
            note(QStringLiteral("%1不在校验链中,不是本程序写入的").arg(element->held));
            element = rows.next();
            continue;
        }
        const std::optional<Digest> readLink = linkOfHex(links.row().value(1).toString());
        const bool readable = readLink.has_value();
        Digest stored = readLink.value_or(Digest {});
        if (!element || links.key() < element->position) {
            note(QStringLiteral("%1已被删除(校验链中有它)").arg(what.arg(links.key())));
        } else {
            const Digest computed = element->content.linkAfter(previous);
            if (!readable || computed != stored)
                note(QStringLiteral("%1与校验链不符,已在本程序之外被改动").arg(element->held));
            if (!readable)
                stored = computed;
            ++walked;
            element = rows.next();
        }
        previous = stored;
        error = links.advance();
    }
    if (error.isEmpty())
        error = rows.error();
    if (count > 1)
        first += QStringLiteral(";此后还有 %1 处不符").arg(count - 1);
    if (count > 0)
        breaks << first;
    return error;
}

// The row of linkSelect(): the position it belongs to (its index among those linked), its part
// (-1 for the link before), its row key (the link's position), then its fields.
constexpr int FirstField = 3;

// A row of linkSelect() as the content reads a row: its fields from the first on.
struct FieldsOf
{
    const QSqlRecord& row;
    QVariant value(int field) const { return row.value(FirstField + field); }
};

std::span<const ChainPart> partsOf(RecordChain::Chain chain)
{
    return chain == RecordChain::Chain::OperatorLog ? std::span<const ChainPart>(LogParts)
        : chain == RecordChain::Chain::Cards        ? std::span<const ChainPart>(CardParts)
                                                    : std::span<const ChainPart>(ReceiptParts);
}

// For each position, the stored link before it (bound: the chain's name and the position) and
// then the rows of every part at the position (each bound to the position), every field as its
// text: the same text a row read as it is gives, so the same content. NULL stays NULL. A row of
// the log just written is found by the id its insert gave it, which nothing binds.
QString linkSelect(std::span<const RecordChain::Position> positions, const SqlDialect& dialect)
{
    qsizetype width = 1;
    for (const RecordChain::Position& position : positions) {
        for (const ChainPart& part : partsOf(position.chain))
            width = std::max(width, qsizetype(part.columns.size()));
    }
    const auto padded = [width](QStringList fields) {
        while (fields.size() < width)
            fields.append(QStringLiteral("NULL"));
        return fields.join(u", ");
    };
    const QString rowKey = dialect.rowKey();
    QStringList selects;
    for (qsizetype index = 0; index < qsizetype(positions.size()); ++index) {
        const std::span<const ChainPart> parts = partsOf(positions[index].chain);
        // A row of the log written before the caller's last one is found counting back from
        // that, by the id.
        const RecordChain::Position& position = positions[index];
        const QString last = dialect.lastInsertedId(QString(parts.front().table));
        const QString at = position.position != RecordChain::JustWritten ? QStringLiteral("?")
            : position.writtenAfter == 0
            ? last
            : QStringLiteral("(SELECT id FROM %1 WHERE id<=%2 ORDER BY id DESC LIMIT 1 OFFSET ?)")
                  .arg(parts.front().table, last);
        selects.append(QStringLiteral("SELECT %1, -1, position, %2 FROM (%3) AS earlier%1")
                           .arg(QString::number(index), padded({ QStringLiteral("link") }),
                               QString::fromLatin1(LinkBeforeAt).arg(at)));
        for (qsizetype i = 0; i < qsizetype(parts.size()); ++i) {
            QStringList fields;
            for (const QLatin1StringView column : parts[i].columns)
                fields.append(QStringLiteral("CAST(%1 AS TEXT)").arg(column));
            selects.append(
                QStringLiteral("SELECT %1, %2, %3, %4 FROM %5 WHERE id=%6")
                    .arg(QString::number(index), QString::number(i), rowKey, padded(fields), parts[i].table, at));
        }
    }
    return selects.join(u" UNION ALL ") + QStringLiteral(" ORDER BY 1, 2, 3");
}

// The statement of linkSelect() for the same chains and kinds of position, made once: a
// settlement runs it with each bill.
const QString& cachedLinkSelect(std::span<const RecordChain::Position> positions, const SqlDialect& dialect)
{
    thread_local QHash<QString, QString> made;
    QString key = QString::number(int(dialect.engine()));
    for (const RecordChain::Position& position : positions)
        key += QStringLiteral("/%1%2%3")
                   .arg(int(position.chain))
                   .arg(position.position == RecordChain::JustWritten)
                   .arg(position.writtenAfter > 0);
    auto found = made.find(key);
    if (found == made.end())
        found = made.insert(key, linkSelect(positions, dialect));
    return found.value();
}

} // namespace

namespace RecordChain {

QString link(Database& database, std::span<const Position> positions)
{
    // The links before and the rows of these positions, in the order ChainRows reads them, in
    // one statement: a settlement on a server pays a round trip for each.
    QVariantList values;
    for (const Position& position : positions) {
        values.append(chainName(position.chain));
        // What finds the position, bound once before the link and once for each part.
        const qint64 bound = position.position != JustWritten ? position.position : position.writtenAfter;
        if (position.position != JustWritten || position.writtenAfter > 0) {
            for (qsizetype i = 0; i <= qsizetype(partsOf(position.chain).size()); ++i)
                values.append(bound);
        }
    }
    const SqlResult rows = database.exec(cachedLinkSelect(positions, database.dialect()), values);
    if (!rows.ok())
        return rows.error;
    struct Linked
    {
        Digest previous {};
        std::optional<qint64> previousPosition; // of the link stored before it; none for the first
        Content content;
        QList<int> found;
        qint64 position = JustWritten;
        Digest link {};
    };
    QList<Linked> linked(positions.size());
    for (qsizetype index = 0; index < qsizetype(positions.size()); ++index) {
        linked[index].found = QList<int>(partsOf(positions[index].chain).size(), 0);
        linked[index].position = positions[index].position;
    }
    for (const QSqlRecord& row : rows.rows) {
        Linked& at = linked[row.value(0).toInt()];
        const int part = row.value(1).toInt();
        if (part < 0) {
            at.previous = digestOfHex(row.value(FirstField).toString());
            at.previousPosition = row.value(2).toLongLong();
            continue;
        }
        const std::span<const ChainPart> parts = partsOf(positions[row.value(0).toInt()].chain);
        if (at.position == JustWritten) // the log's own row, whose first field is its id
            at.position = row.value(FirstField).toLongLong();
        ++at.found[part];
        at.content.addRow(parts[part].table, FieldsOf { row }, parts[part].fieldCount());
    }
    for (qsizetype index = 0; index < qsizetype(positions.size()); ++index) {
        Linked& at = linked[index];
        const std::span<const ChainPart> parts = partsOf(positions[index].chain);
        // A position of the same chain linked just before, after the stored link: its link is
        // the one before, stored only with this call's.
        for (qsizetype earlier = 0; earlier < index; ++earlier) {
            const Linked& before = linked[earlier];
            if (positions[earlier].chain == positions[index].chain && before.position < at.position
                && (!at.previousPosition || before.position > *at.previousPosition)) {
                at.previous = before.link;
                at.previousPosition = before.position;
            }
        }
        for (qsizetype part = 0; part < qsizetype(parts.size()); ++part) {
            if (!parts[part].manyRows && at.found[part] != 1)
                return positions[index].position == JustWritten
                    ? QStringLiteral("找不到要加入校验链的操作日志")
                    : QStringLiteral("找不到要加入校验链的记录 %1").arg(positions[index].position);
        }
        at.link = at.content.linkAfter(at.previous);
        if (const QString error = database.execLater(QString::fromLatin1(InsertLink),
                { chainName(positions[index].chain), at.position, QString::fromLatin1(hexOf(at.link)) });
            !error.isEmpty())
            return error;
    }
    return {};
}

QString linkAll(const QSqlDatabase& connection)
{
    QSqlQuery insert(connection);
    if (!insert.prepare(QString::fromLatin1(InsertLink)))
        return errorOf(insert);
    for (const Chain chain : { Chain::OperatorLog, Chain::Receipts }) {
        ChainRows rows(connection, chain, 0);
        Digest previous {};
        while (const std::optional<Element> element = rows.next()) {
            previous = element->content.linkAfter(previous);
            if (const QString error = insertLink(insert, chain, element->position, previous); !error.isEmpty())
                return error;
        }
        if (!rows.error().isEmpty())
            return rows.error();
    }
    return {};
}

QString Verdict::summary() const
{
    if (!error.isEmpty())
        return QStringLiteral("校验链无法核对:%1").arg(error);
    if (breaks.isEmpty())
        return QStringLiteral("校验链完整:操作日志 %1 条,单据 %2 张,会员卡流水 %3 条,都与写入时相同。")
            .arg(logRows)
            .arg(receipts)
            .arg(cardRows);
    return QStringLiteral("校验链不完整,数据在本程序之外被改动过:\n") + breaks.join(u'\n');
}

Verdict verify(const QSqlDatabase& connection, const QString& since)
{
    Verdict verdict;
    for (const Chain chain : { Chain::OperatorLog, Chain::Receipts, Chain::Cards }) {
        if (chain == Chain::Cards && !hasTable(connection, CardTable))
            continue;
        const qint64 from = since.isEmpty() ? 0 : firstPositionSince(connection, chain, since, &verdict.error);
        qint64& walked = chain == Chain::OperatorLog ? verdict.logRows
            : chain == Chain::Cards                  ? verdict.cardRows
                                                     : verdict.receipts;
        if (verdict.error.isEmpty())
            verdict.error = verifyChain(connection, chain, from, verdict.breaks, walked);
        if (!verdict.error.isEmpty())
            break;
    }
    return verdict;
}

} // namespace RecordChain

QString VerifyChains(Database& database)
{
    const RecordChain::Verdict verdict = RecordChain::verify(database.connection());
    return verdict.whole() ? QString() : verdict.summary();
}
