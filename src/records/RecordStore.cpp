#include "records/RecordStore.h"

#include "app/Database.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "app/TypedNumber.h"

const QString RecordStore::EmptyCodeText = QStringLiteral("编号不能为空!");
const QString RecordStore::EmptyNameText = QStringLiteral("名称不能为空!");
const QString RecordStore::DuplicateText = QStringLiteral("数据库已有相同的记录，请更改为其它!");
const QString RecordStore::DuplicateCaption = QStringLiteral("警告");
const QString RecordStore::AllCategories = QStringLiteral("全部");

namespace {

constexpr int CodeColumn = 0;
constexpr int NameColumn = 1;
constexpr int PriceColumn = 4;
constexpr int QuantityColumn = 5;
constexpr int CardAmountColumn = 6;

RecordChange refused(const QString& message, const QString& caption = {})
{
    return { false, message, caption, {} };
}

// Nine texts, code and name without blanks at the ends.
QStringList normalised(const QStringList& values)
{
    QStringList texts = values.mid(0, RecordColumnCount);
    while (texts.size() < RecordColumnCount)
        texts << QString();
    texts[CodeColumn] = Trim(texts[CodeColumn]);
    texts[NameColumn] = Trim(texts[NameColumn]);
    return texts;
}

// A goods record's unit price (to four places, up to the sane limit of a price) and its
// quantity in stock (a whole count), read strictly as typed; an empty one counts 0, as before.
// Each taken text is kept in plain digits, so that the bill and the stock read it as typed:
// "１５．５" is stored "15.5". Empty when both are taken, otherwise the reason.
TypedRule goodsPriceRule()
{
    return TypedRule::unitPrice().orEmptyAsZero();
}

TypedRule goodsQuantityRule()
{
    return TypedRule::count().orEmptyAsZero();
}

QString takeGoodsNumbers(QStringList& texts)
{
    const struct
    {
        int column;
        QString field;
        TypedRule rule;
    } numbers[] = {
        { PriceColumn, QStringLiteral("商品单价"), goodsPriceRule() },
        { QuantityColumn, QStringLiteral("商品总数"), goodsQuantityRule() },
    };
    for (const auto& number : numbers) {
        const TypedReading reading = ReadTyped(texts[number.column], number.rule);
        if (!reading.ok())
            return TypedProblemText(reading.problem, number.field, number.rule);
        texts[number.column] = PlainTypedText(texts[number.column]);
    }
    return {};
}

QString columnList()
{
    return RecordStore::columnNames().join(QStringLiteral(", "));
}

} // namespace

std::optional<Money> GoodsTotal(const QString& unitPrice, const QString& quantity)
{
    const TypedReading price = ReadTyped(unitPrice, goodsPriceRule());
    const TypedReading count = ReadTyped(quantity, goodsQuantityRule());
    if (!price.ok() || !count.ok())
        return std::nullopt;
    return Money::line(1, price.value, count.value);
}

RecordStore::RecordStore(Database& database, RecordMode mode)
    : m_database(database)
    , m_mode(mode)
    , m_table(tableName(mode))
{ }

QString RecordStore::tableName(RecordMode mode)
{
    switch (mode) {
    case RecordMode::Goods:
        return QStringLiteral("kucheninfo");
    case RecordMode::Staff:
        return QStringLiteral("worksinfo");
    case RecordMode::Members:
        return QStringLiteral("huiyeninfo");
    }
    return {};
}

QStringList RecordStore::categories(RecordMode mode)
{
    switch (mode) {
    case RecordMode::Goods:
        return { AllCategories, QStringLiteral("酒水类"), QStringLiteral("饮料"), QStringLiteral("甜品"),
            QStringLiteral("赠送品"), QStringLiteral("其它") };
    case RecordMode::Staff:
        return { AllCategories, QStringLiteral("技师"), QStringLiteral("理发师"), QStringLiteral("部长"),
            QStringLiteral("经理"), QStringLiteral("其它部门") };
    case RecordMode::Members:
        return { QStringLiteral("会员卡") };
    }
    return {};
}

QStringList RecordStore::columnNames()
{
    QStringList columns;
    for (int i = 1; i <= RecordColumnCount; ++i)
        columns << QStringLiteral("str%1").arg(i);
    return columns;
}

std::optional<MasterRecord> RecordStore::find(qint64 id, QString* error) const
{
    const SqlResult found = m_database.exec(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3=?").arg(columnList(), m_table, m_database.dialect().rowKey()),
        { id });
    if (error)
        *error = found.error;
    if (found.isEmpty())
        return std::nullopt;
    MasterRecord record { id, {} };
    for (int i = 0; i < RecordColumnCount; ++i)
        record.values << found.first().value(i).toString(); // a NULL is empty text
    return record;
}

bool RecordStore::codeTaken(const QString& code, qint64 exceptId, QString* error) const
{
    const QVariant count = m_database.scalar(
        QStringLiteral("SELECT count(*) FROM %1 WHERE str1=? AND %2<>?").arg(m_table, m_database.dialect().rowKey()),
        { code, exceptId }, error);
    return count.toInt() > 0;
}

RecordChange RecordStore::checkNew(const QStringList& values) const
{
    QStringList texts = normalised(values);
    if (texts[CodeColumn].isEmpty())
        return refused(EmptyCodeText);
    if (texts[NameColumn].isEmpty())
        return refused(EmptyNameText);
    if (m_mode == RecordMode::Goods)
        if (const QString refusal = takeGoodsNumbers(texts); !refusal.isEmpty())
            return refused(refusal);
    QString error;
    const bool taken = codeTaken(texts[CodeColumn], 0, &error);
    if (!error.isEmpty())
        return refused(error);
    if (taken)
        return refused(DuplicateText, DuplicateCaption);
    return { true, {}, {}, { 0, texts } };
}

RecordChange RecordStore::add(const QStringList& values)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return refused(transaction.error());
    RecordChange change = checkNew(values);
    if (!change.done)
        return change;
    QVariantList bound;
    for (const QString& text : std::as_const(change.record.values))
        bound << text;
    const Outcome<qint64> inserted = m_database.insert(
        QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(m_table, columnList()), bound);
    if (!inserted)
        return refused(inserted.text());
    change.record.id = inserted.value();
    if (!transaction.commit())
        return refused(transaction.error());
    return change;
}

RecordChange RecordStore::modify(qint64 id, const QStringList& values)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return refused(transaction.error());
    QString error;
    const std::optional<MasterRecord> stored = find(id, &error);
    if (!error.isEmpty())
        return refused(error);
    if (!stored)
        return refused({});

    QStringList texts = normalised(values);
    if (m_mode == RecordMode::Members) {
        // A card's number and the amount on it are fixed once the card is issued.
        texts[CodeColumn] = stored->values[CodeColumn];
        texts[CardAmountColumn] = stored->values[CardAmountColumn];
    }
    if (texts[CodeColumn].isEmpty())
        return refused(EmptyCodeText);
    if (texts[NameColumn].isEmpty())
        return refused(EmptyNameText);
    if (m_mode == RecordMode::Goods)
        if (const QString refusal = takeGoodsNumbers(texts); !refusal.isEmpty())
            return refused(refusal);
    if (texts[CodeColumn] != stored->values[CodeColumn]) {
        const bool taken = codeTaken(texts[CodeColumn], id, &error);
        if (!error.isEmpty())
            return refused(error);
        if (taken)
            return refused(DuplicateText, DuplicateCaption);
    }

    QStringList assignments;
    QVariantList bound;
    for (int i = 0; i < RecordColumnCount; ++i) {
        assignments << QStringLiteral("str%1=?").arg(i + 1);
        bound << texts[i];
    }
    bound << id;
    const SqlResult updated
        = m_database.exec(QStringLiteral("UPDATE %1 SET %2 WHERE %3=?")
                              .arg(m_table, assignments.join(QStringLiteral(", ")), m_database.dialect().rowKey()),
            bound);
    if (!updated.ok())
        return refused(updated.error);
    if (!transaction.commit())
        return refused(transaction.error());
    return { true, {}, {}, { id, texts } };
}

RecordChange RecordStore::remove(qint64 id)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return refused(transaction.error());
    QString error;
    const std::optional<MasterRecord> stored = find(id, &error);
    if (!error.isEmpty())
        return refused(error);
    if (!stored)
        return refused({});
    const SqlResult deleted = m_database.exec(
        QStringLiteral("DELETE FROM %1 WHERE %2=?").arg(m_table, m_database.dialect().rowKey()), { id });
    if (!deleted.ok())
        return refused(deleted.error);
    if (!transaction.commit())
        return refused(transaction.error());
    return { true, {}, {}, *stored };
}
