#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QVariantList>

#include <optional>

class Database;
class QTimer;

// The rows of one table under a condition, read as the view needs them and never all at
// once: a list of a million rows opens with one page of rows, and keeps at most KeptPages
// pages in memory.
//
// Until the rows are counted (countRows(), a count read together with the list's totals given
// to setCondition() or later to setTotalRowCount()) the list holds its first page; once they
// are, it holds them all and any row can be reached at once. A page
// is read from the nearest row whose key is known (the edge row of a page read before:
// keyset paging) or from the nearer end of the list, so the oldest row is one short read in
// reverse order away, and a jump into the middle skips only the rows between it and the
// nearest known row. Once counted, a long list also learns the key of every AnchorSpacing-th
// row, one at a time whenever the event loop is idle, so that no later jump skips more than
// half that many. Cells are the database's texts; a NULL is shown as empty text.
//
// Reading a page can fail while the view paints; the model then shows the page empty and
// emits readFailed() once per query, for the window to say so.
class PagedTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int PageSize = 64;
    static constexpr int KeptPages = 64;
    static constexpr int AnchorSpacing = 16384;

    // A list of `columns` of `table`, ordered by `orderColumns`, descending, then by the order
    // the rows were added in: newest first. The order columns must not hold NULL; an index that
    // starts with a condition's columns and goes on with them keeps every page a short read.
    PagedTableModel(Database& database, const QString& table, const QStringList& columns,
        const QStringList& orderColumns, QObject* parent = nullptr);

    void setHeaders(const QStringList& headers);

    // Lists the rows that meet `condition`, a condition with a ? for each of `values` (such
    // as "time<=? AND time>=?"; empty for every row), starting with its first page. A count of
    // those rows read just before (the totals' count) makes the list whole at once, so a view
    // is laid out and painted once. Returns the database error text (the list is then empty),
    // empty on success.
    QString setCondition(
        const QString& condition, const QVariantList& values = {}, std::optional<int> rowCount = std::nullopt);
    QString condition() const { return m_condition; }
    QVariantList values() const { return m_values; }
    // Empties the list.
    void clear();

    // Counts the rows of the query and holds them all from now on. Returns the error text.
    QString countRows();
    // The same with a count read elsewhere over the same condition (the totals' count).
    void setTotalRowCount(int count);
    bool isCounted() const { return m_counted; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The text of a cell as the list shows it; empty outside the list.
    QString text(int row, int column) const;
    // The key of a row in its table (SqlDialect::rowKey()), by which a record shown can be
    // changed or deleted; null outside the list.
    QVariant rowKey(int row) const;

    // How many pages the model has read since its query was set and how many it holds now
    // (for the tests and the benchmark).
    int pageReads() const { return m_pageReads; }
    int pagesKept() const { return int(m_pages.size()); }
    // How many rows' keys the list has learnt for its jumps so far.
    int anchorCount() const { return int(m_anchors.size()); }

signals:
    void readFailed(const QString& error) const;

private:
    struct Page
    {
        QList<QStringList> rows;
        QVariantList rowKeys; // each row's key in its table
        QVariantList firstKey; // the order key of the first row
        QVariantList lastKey;
        quint64 lastUse = 0;
    };

    // Where a read starts: `skip` rows past a row whose key is known (none: an end of the
    // list), going down the list (newest to oldest) or up it.
    struct ReadStart
    {
        bool downward = true;
        int skip = 0;
        QVariantList key;
    };

    const Page& page(int pageIndex) const;
    void keep(int pageIndex, Page page) const;
    // Reads up to `count` rows from the first row of page `pageIndex`.
    Page readPage(int pageIndex, int count, QString* error) const;
    // The nearest start for reading the rows first .. last.
    ReadStart nearestStart(int first, int last) const;
    void learnNextAnchor();
    void learnAnchorsOfALongList(); // from the event loop, once a long list is counted
    QString selectText(const QStringList& columns, bool downward, bool fromKey) const;
    QString whereText(const QString& keyComparison) const;
    void forget();

    Database& m_database;
    const QString m_table;
    const QStringList m_columns;
    const QStringList m_keyColumns; // the order columns and the row key
    QStringList m_headers;
    QString m_condition;
    QVariantList m_values;
    int m_rowCount = 0;
    bool m_counted = true;

    mutable QHash<int, Page> m_pages;
    QMap<int, QVariantList> m_anchors; // row -> its order key
    QTimer* m_anchorTimer;
    mutable quint64 m_uses = 0;
    mutable int m_pageReads = 0;
    mutable bool m_failed = false;
};
