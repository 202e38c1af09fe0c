#include "app/LongListView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>

// The rows of the whole list from `offset` on, as many as fit on the screen and one more.
class ShownRows : public QAbstractTableModel
{
public:
    explicit ShownRows(QObject* parent)
        : QAbstractTableModel(parent)
    { }

    void setList(QAbstractItemModel* list)
    {
        beginResetModel();
        if (m_list)
            m_list->disconnect(this);
        m_list = list;
        m_offset = 0;
        m_shown = shownCount();
        endResetModel();
        if (!list)
            return;
        connect(list, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
        connect(list, &QAbstractItemModel::modelReset, this, [this] {
            // A new list starts at its top.
            m_offset = 0;
            m_shown = shownCount();
            endResetModel();
        });
        connect(list, &QAbstractItemModel::rowsInserted, this, &ShownRows::refresh);
        connect(list, &QAbstractItemModel::rowsRemoved, this, &ShownRows::refresh);
        connect(list, &QAbstractItemModel::rowsMoved, this, &ShownRows::refresh);
        connect(list, &QAbstractItemModel::layoutChanged, this, &ShownRows::refresh);
        connect(list, &QAbstractItemModel::dataChanged, this, &ShownRows::refresh);
        connect(list, &QAbstractItemModel::headerDataChanged, this,
            [this](Qt::Orientation orientation, int first, int last) {
                if (orientation == Qt::Horizontal)
                    emit headerDataChanged(orientation, first, last);
            });
        connect(list, &QAbstractItemModel::columnsInserted, this, [this] {
            beginResetModel();
            endResetModel();
        });
        connect(list, &QAbstractItemModel::columnsRemoved, this, [this] {
            beginResetModel();
            endResetModel();
        });
    }

    int offset() const { return m_offset; }
    int listRowCount() const { return m_list ? m_list->rowCount() : 0; }

    void setOffset(int offset)
    {
        offset = qBound(0, offset, qMax(0, listRowCount() - 1));
        if (offset == m_offset)
            return;
        m_offset = offset;
        refresh();
    }

    void setCapacity(int rows)
    {
        rows = qMax(1, rows);
        if (rows == m_capacity)
            return;
        m_capacity = rows;
        refresh();
    }

    // Follows the whole list: as many rows as there are from the offset, each cell anew.
    void refresh()
    {
        const int shown = shownCount();
        if (shown > m_shown) {
            beginInsertRows({}, m_shown, shown - 1);
            m_shown = shown;
            endInsertRows();
        } else if (shown < m_shown) {
            beginRemoveRows({}, shown, m_shown - 1);
            m_shown = shown;
            endRemoveRows();
        }
        if (m_shown > 0 && columnCount() > 0)
            emit dataChanged(index(0, 0), index(m_shown - 1, columnCount() - 1));
    }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_shown; }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_list ? 0 : m_list->columnCount();
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!m_list || !checkIndex(index, CheckIndexOption::IndexIsValid))
            return {};
        return m_list->index(m_offset + index.row(), index.column()).data(role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (!m_list)
            return {};
        if (orientation == Qt::Horizontal)
            return m_list->headerData(section, orientation, role);
        return m_list->headerData(m_offset + section, orientation, role);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!m_list || !checkIndex(index, CheckIndexOption::IndexIsValid))
            return Qt::NoItemFlags;
        return m_list->flags(m_list->index(m_offset + index.row(), index.column()));
    }

private:
    int shownCount() const { return qBound(0, listRowCount() - m_offset, m_capacity); }

    QPointer<QAbstractItemModel> m_list;
    int m_offset = 0;
    int m_capacity = 1;
    int m_shown = 0;
};

LongListView::LongListView(QWidget* parent)
    : DeskListView(parent)
    , m_rows(new ShownRows(this))
{
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    QTableView::setModel(m_rows);
    const auto note = [this] { noteSelection(); };
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, note);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, note);
}

LongListView::~LongListView() = default;

void LongListView::setListModel(QAbstractItemModel* list)
{
    if (m_list)
        m_list->disconnect(this);
    m_list = list;
    m_selectedRow = -1;
    m_currentRow = -1;
    m_rows->setList(list);
    if (!list)
        return;
    connect(list, &QAbstractItemModel::modelReset, this, [this] {
        m_selectedRow = -1;
        m_currentRow = -1;
        updateGeometries();
    });
    // The scroll bar runs over the whole list, however few rows are shown.
    for (const auto changed : { &QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved })
        connect(list, changed, this, &LongListView::updateGeometries);
}

int LongListView::listRowCount() const
{
    return m_rows->listRowCount();
}

int LongListView::firstShownRow() const
{
    return m_rows->offset();
}

int LongListView::wholeRowsShown() const
{
    return qMax(1, viewport()->height() / qMax(1, verticalHeader()->defaultSectionSize()));
}

int LongListView::listRow(const QModelIndex& shown) const
{
    if (!shown.isValid() || shown.model() != m_rows)
        return -1;
    return m_rows->offset() + shown.row();
}

QModelIndex LongListView::listIndex(int row, int column, bool scroll)
{
    if (row < 0 || row >= listRowCount())
        return {};
    if (scroll)
        scrollToListRow(row, EnsureVisible);
    const int shown = row - m_rows->offset();
    return shown >= 0 && shown < m_rows->rowCount() ? m_rows->index(shown, column) : QModelIndex();
}

void LongListView::selectListRow(int row)
{
    if (row < 0 || row >= listRowCount()) {
        m_selectedRow = -1;
        m_currentRow = -1;
        clearSelection();
        setCurrentIndex({});
        return;
    }
    m_selectedRow = row;
    m_currentRow = row;
    m_currentColumn = 0;
    scrollToListRow(row, EnsureVisible);
    placeSelection();
}

void LongListView::updateGeometries()
{
    const bool adjusting = m_adjusting;
    m_adjusting = true;
    const int whole = wholeRowsShown();
    m_rows->setCapacity(whole + 1);
    QTableView::updateGeometries();
    // The table sets its scroll bar over the rows shown: it runs over the whole list instead.
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, qMax(0, listRowCount() - whole));
    bar->setPageStep(whole);
    bar->setSingleStep(1);
    bar->setValue(m_rows->offset());
    verticalHeader()->setOffset(0);
    m_adjusting = adjusting;
    if (!adjusting && bar->value() != m_rows->offset())
        showFrom(bar->value());
}

void LongListView::scrollContentsBy(int dx, int dy)
{
    // The columns scroll as in any table; the rows are shown afresh from the bar's row.
    if (dx != 0)
        QTableView::scrollContentsBy(dx, 0);
    if (dy != 0 && !m_adjusting)
        showFrom(verticalScrollBar()->value());
}

void LongListView::showFrom(int row)
{
    if (row == m_rows->offset())
        return;
    const bool placing = m_placing;
    m_placing = true; // the rows leaving the screen do not unselect the list's row
    m_rows->setOffset(row);
    m_placing = placing;
    verticalHeader()->setOffset(0);
    placeSelection();
    viewport()->update();
}

void LongListView::scrollToListRow(int row, ScrollHint hint)
{
    const int whole = wholeRowsShown();
    const int first = m_rows->offset();
    int top = first;
    switch (hint) {
    case EnsureVisible:
        if (row < first)
            top = row;
        else if (row >= first + whole)
            top = row - whole + 1;
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - whole + 1;
        break;
    case PositionAtCenter:
        top = row - whole / 2;
        break;
    }
    const int last = qMax(0, listRowCount() - whole);
    top = qBound(0, top, last);
    showFrom(top);
    const bool adjusting = m_adjusting;
    m_adjusting = true;
    QScrollBar* bar = verticalScrollBar();
    if (bar->maximum() != last)
        bar->setRange(0, last);
    bar->setValue(top);
    m_adjusting = adjusting;
}

void LongListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (m_placing || !index.isValid() || index.model() != m_rows)
        return;
    noteSelection();
    const int row = listRow(index);
    {
        // The table scrolls to the column; its move of the rows is undone.
        const bool adjusting = m_adjusting;
        m_adjusting = true;
        QScrollBar* bar = verticalScrollBar();
        const int value = bar->value();
        QTableView::scrollTo(index, hint);
        bar->setValue(value);
        verticalHeader()->setOffset(0);
        m_adjusting = adjusting;
    }
    scrollToListRow(row, hint);
}

QModelIndex LongListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const int count = listRowCount();
    if (count == 0)
        return {};
    const int page = wholeRowsShown();
    const int from = m_currentRow;
    int to = from;
    switch (action) {
    case MoveUp:
        to = from < 0 ? 0 : from - 1;
        break;
    case MoveDown:
        to = from < 0 ? 0 : from + 1;
        break;
    case MovePageUp:
        to = from < 0 ? 0 : from - page;
        break;
    case MovePageDown:
        to = from < 0 ? 0 : from + page;
        break;
    case MoveHome:
        if (!(modifiers & Qt::ControlModifier))
            return QTableView::moveCursor(action, modifiers);
        to = 0;
        break;
    case MoveEnd:
        if (!(modifiers & Qt::ControlModifier))
            return QTableView::moveCursor(action, modifiers);
        to = count - 1;
        break;
    default:
        // Along the row: the table's own moves.
        return QTableView::moveCursor(action, modifiers);
    }
    to = qBound(0, to, count - 1);
    const QModelIndex current = currentIndex();
    return listIndex(to, current.isValid() ? current.column() : m_currentColumn, true);
}

void LongListView::noteSelection()
{
    if (m_placing || !selectionModel())
        return;
    const QModelIndexList selected = selectionModel()->selectedRows();
    m_selectedRow = selected.isEmpty() ? -1 : listRow(selected.first());
    if (const QModelIndex current = currentIndex(); current.isValid()) {
        m_currentRow = listRow(current);
        m_currentColumn = current.column();
    }
}

void LongListView::placeSelection()
{
    QItemSelectionModel* selection = selectionModel();
    if (!selection)
        return;
    const bool placing = m_placing;
    m_placing = true;
    const QModelIndex selected = listIndex(m_selectedRow);
    if (selected.isValid())
        selection->select(selected, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selection->clearSelection();
    selection->setCurrentIndex(listIndex(m_currentRow, m_currentColumn), QItemSelectionModel::NoUpdate);
    m_placing = placing;
}
