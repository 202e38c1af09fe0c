#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <algorithm>

// A desk list over typed lines (technicians or goods of a bill): one row per line, read-only
// cells whose texts the subclass gives, and typed getters and setters for the dialogs. New
// lines usually go on top, as the desk's lists show the newest entry first.
template <typename Line> class LinesModel : public QAbstractTableModel
{
public:
    explicit LinesModel(QStringList headers, QObject* parent = nullptr)
        : QAbstractTableModel(parent)
        , m_headers(std::move(headers))
    { }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_headers.value(section);
        return {};
    }
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override
    {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid) || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return cellText(m_lines[index.row()], index.column());
    }

    const QList<Line>& lines() const { return m_lines; }
    const Line& line(int row) const { return m_lines[row]; }
    bool isEmpty() const { return m_lines.isEmpty(); }

    void setLines(QList<Line> lines)
    {
        beginResetModel();
        m_lines = std::move(lines);
        endResetModel();
    }
    // The lines of a stored bill as a desk list shows them: each is inserted on top, so the
    // list reads them in reverse, and every reopening of a room turns its lists round.
    void showStoredLines(QList<Line> stored)
    {
        std::reverse(stored.begin(), stored.end());
        setLines(std::move(stored));
    }
    void insertLine(int row, const Line& line)
    {
        beginInsertRows({}, row, row);
        m_lines.insert(row, line);
        endInsertRows();
    }
    void removeLine(int row)
    {
        beginRemoveRows({}, row, row);
        m_lines.removeAt(row);
        endRemoveRows();
    }
    void setLine(int row, const Line& line)
    {
        m_lines[row] = line;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }

protected:
    virtual QString cellText(const Line& line, int column) const = 0;

private:
    QStringList m_headers;
    QList<Line> m_lines;
};
