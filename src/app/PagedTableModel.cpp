#include "app/PagedTableModel.h"

#include "app/Database.h"

#include <QSqlQuery>
#include <QTimer>

#include <algorithm>

PagedTableModel::PagedTableModel(Database& database, const QString& table, const QStringList& columns,
    const QStringList& orderColumns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_database(database)
    , m_table(table)
    , m_columns(columns)
    , m_keyColumns(orderColumns + QStringList { database.dialect().rowKey() })
    , m_anchorTimer(new QTimer(this))
{
    m_anchorTimer->setInterval(0);
    connect(m_anchorTimer, &QTimer::timeout, this, &PagedTableModel::learnNextAnchor);
}

void PagedTableModel::setHeaders(const QStringList& headers)
{
    m_headers = headers;
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void PagedTableModel::forget()
{
    m_anchorTimer->stop();
    m_anchors.clear();
    m_pages.clear();
    m_pageReads = 0;
    m_failed = false;
}

QString PagedTableModel::setCondition(const QString& condition, const QVariantList& values, std::optional<int> rowCount)
{
    beginResetModel();
    forget();
    m_condition = condition;
    m_values = values;
    m_rowCount = 0;
    m_counted = false; // the first page is read from the top

    QString error;
    Page first = readPage(0, PageSize, &error);
    if (error.isEmpty()) {
        m_rowCount = int(first.rows.size());
        m_counted = m_rowCount < PageSize;
        // A first page that is short is the whole list, whatever was counted before it.
        if (!m_counted && rowCount) {
            m_rowCount = qMax(*rowCount, m_rowCount);
            m_counted = true;
        }
        keep(0, std::move(first));
    } else {
        m_counted = true;
    }
    endResetModel();
    learnAnchorsOfALongList();
    return error;
}

void PagedTableModel::clear()
{
    beginResetModel();
    forget();
    m_condition.clear();
    m_values.clear();
    m_rowCount = 0;
    m_counted = true;
    endResetModel();
}

QString PagedTableModel::countRows()
{
    if (m_counted)
        return {};
    QString error;
    const QVariant count
        = m_database.scalar(QStringLiteral("SELECT count(*) FROM %1%2").arg(m_table, whereText({})), m_values, &error);
    if (error.isEmpty())
        setTotalRowCount(count.toInt());
    return error;
}

void PagedTableModel::setTotalRowCount(int count)
{
    m_counted = true;
    if (count > m_rowCount) {
        beginInsertRows({}, m_rowCount, count - 1);
        m_rowCount = count;
        endInsertRows();
    } else if (count < m_rowCount) {
        // Rows went away since the list was read: its pages no longer say where they stand.
        beginResetModel();
        forget();
        m_rowCount = count;
        endResetModel();
    }
    learnAnchorsOfALongList();
}

void PagedTableModel::learnAnchorsOfALongList()
{
    if (m_counted && m_rowCount >= 2 * AnchorSpacing && m_anchors.isEmpty())
        m_anchorTimer->start();
}

int PagedTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int PagedTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant PagedTableModel::data(const QModelIndex& index, int role) const
{
    // The tooltip shows a text too long for its column whole.
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return text(index.row(), index.column());
}

QVariant PagedTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_headers.size())
        return {};
    return m_headers[section];
}

QString PagedTableModel::text(int row, int column) const
{
    if (row < 0 || row >= m_rowCount || column < 0 || column >= columnCount())
        return {};
    return page(row / PageSize).rows.value(row % PageSize).value(column);
}

// --- pages ------------------------------------------------------------------------------------

QVariant PagedTableModel::rowKey(int row) const
{
    if (row < 0 || row >= m_rowCount)
        return {};
    return page(row / PageSize).rowKeys.value(row % PageSize);
}

const PagedTableModel::Page& PagedTableModel::page(int pageIndex) const
{
    if (const auto kept = m_pages.find(pageIndex); kept != m_pages.end()) {
        kept->lastUse = ++m_uses;
        return *kept;
    }
    QString error;
    Page read = readPage(pageIndex, qMin(PageSize, m_rowCount - pageIndex * PageSize), &error);
    if (!error.isEmpty() && !m_failed) {
        // Shown empty, and said once: the view asks again at every paint.
        m_failed = true;
        emit readFailed(error);
    }
    keep(pageIndex, std::move(read));
    return m_pages[pageIndex];
}

void PagedTableModel::keep(int pageIndex, Page page) const
{
    if (m_pages.size() >= KeptPages && !m_pages.contains(pageIndex)) {
        const auto leastUsed = std::min_element(
            m_pages.begin(), m_pages.end(), [](const Page& a, const Page& b) { return a.lastUse < b.lastUse; });
        m_pages.erase(leastUsed);
    }
    page.lastUse = ++m_uses;
    m_pages.insert(pageIndex, std::move(page));
}

PagedTableModel::ReadStart PagedTableModel::nearestStart(int first, int last) const
{
    // The top, the bottom once the rows are counted, the edge rows of the pages kept and the
    // rows learnt for jumps.
    ReadStart start { true, first, {} };
    if (const int belowLast = m_rowCount - 1 - last; m_counted && belowLast < start.skip)
        start = { false, belowLast, {} };
    const auto consider = [&start, first, last](int row, const QVariantList& key) {
        if (row < first && first - row - 1 < start.skip)
            start = { true, first - row - 1, key };
        else if (row > last && row - last - 1 < start.skip)
            start = { false, row - last - 1, key };
    };
    for (auto kept = m_pages.cbegin(); kept != m_pages.cend(); ++kept) {
        if (kept->rows.isEmpty())
            continue;
        const int keptFirst = kept.key() * PageSize;
        consider(keptFirst, kept->firstKey);
        consider(keptFirst + int(kept->rows.size()) - 1, kept->lastKey);
    }
    // The anchors around the rows: the last one above them and the first one below.
    if (auto below = m_anchors.lowerBound(first); below != m_anchors.cend()) {
        consider(below.key(), below.value());
        if (below != m_anchors.cbegin()) {
            --below;
            consider(below.key(), below.value());
        }
    } else if (!m_anchors.isEmpty()) {
        consider(m_anchors.lastKey(), m_anchors.last());
    }
    return start;
}

PagedTableModel::Page PagedTableModel::readPage(int pageIndex, int count, QString* error) const
{
    const int first = pageIndex * PageSize;
    const ReadStart start = nearestStart(first, first + count - 1);

    QVariantList values = m_values;
    values += start.key;
    values << count << start.skip;
    const int keyStart = int(m_columns.size());
    Page page;
    QVariantList key;
    *error = m_database.readRows(
        selectText(m_columns + m_keyColumns, start.downward, !start.key.isEmpty()), values, [&](const QSqlQuery& row) {
            QStringList cells;
            cells.reserve(keyStart);
            for (int column = 0; column < keyStart; ++column)
                // A NULL is empty text; a server gives it with the column's type, which would read 0.
                cells.append(row.isNull(column) ? QString() : row.value(column).toString());
            key.clear();
            for (int column = keyStart; column < keyStart + m_keyColumns.size(); ++column)
                key.append(row.value(column));
            if (page.rows.isEmpty())
                page.firstKey = key;
            page.rows.append(std::move(cells));
            page.rowKeys.append(key.last());
            return true;
        });
    page.lastKey = key;
    if (!start.downward) {
        std::reverse(page.rows.begin(), page.rows.end());
        std::reverse(page.rowKeys.begin(), page.rowKeys.end());
        std::swap(page.firstKey, page.lastKey);
    }
    ++m_pageReads;
    if (!error->isEmpty())
        return {};
    return page;
}

void PagedTableModel::learnNextAnchor()
{
    const int row = m_anchors.isEmpty() ? AnchorSpacing - 1 : m_anchors.lastKey() + AnchorSpacing;
    if (row >= m_rowCount) {
        m_anchorTimer->stop();
        return;
    }
    const ReadStart start = nearestStart(row, row);
    QVariantList values = m_values;
    values += start.key;
    values << 1 << start.skip;
    QVariantList key;
    const QString error = m_database.readRows(
        selectText(m_keyColumns, start.downward, !start.key.isEmpty()), values, [this, &key](const QSqlQuery& found) {
            for (int column = 0; column < m_keyColumns.size(); ++column)
                key.append(found.value(column));
            return false;
        });
    if (!error.isEmpty() || key.isEmpty()) {
        m_anchorTimer->stop(); // the anchors only make jumps quicker; the list works without
        return;
    }
    m_anchors.insert(row, key);
}

// --- statements ---------------------------------------------------------------------------------

QString PagedTableModel::whereText(const QString& keyComparison) const
{
    QStringList conditions;
    if (!m_condition.isEmpty())
        conditions << u'(' + m_condition + u')';
    if (!keyComparison.isEmpty())
        conditions << keyComparison;
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

QString PagedTableModel::selectText(const QStringList& columns, bool downward, bool fromKey) const
{
    const QString direction = downward ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    QStringList order;
    QStringList marks;
    for (const QString& column : m_keyColumns) {
        order << column + direction;
        marks << QStringLiteral("?");
    }
    QString keyComparison;
    if (fromKey) {
        // (time, key) < (?, ?): the rows after the known one in the list's order.
        keyComparison = u'(' + m_keyColumns.join(QStringLiteral(", ")) + u')'
            + (downward ? QStringLiteral(" < ") : QStringLiteral(" > ")) + u'(' + marks.join(QStringLiteral(", "))
            + u')';
    }
    return QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4 LIMIT ? OFFSET ?")
        .arg(columns.join(QStringLiteral(", ")), m_table, whereText(keyComparison), order.join(QStringLiteral(", ")));
}
