#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The rows of one desk list: texts in a fixed set of columns. New rows usually go to the top,
// as the desk's lists show the newest entry first.
class RowListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RowListModel(QObject* parent = nullptr);

    void setHeaders(const QStringList& headers);
    QStringList headers() const { return m_headers; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Inserts `cells` (padded or cut to the column count) at `position` (0 = top).
    void insertRowAt(int position, const QStringList& cells);
    void setRow(int row, const QStringList& cells); // replaces the first cells.size() cells
    void setCell(int row, int column, const QString& text);
    void removeRowAt(int row);
    void clear();
    void setRows(const QList<QStringList>& rows);

    QStringList row(int row) const { return m_rows.value(row); }
    QString cell(int row, int column) const { return m_rows.value(row).value(column); }
    const QList<QStringList>& rows() const { return m_rows; }

private:
    QStringList fitted(const QStringList& cells) const;

    QStringList m_headers;
    QList<QStringList> m_rows;
};
