#include "app/RowListView.h"

#include "app/ColumnWidths.h"
#include "app/RowListModel.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

RowListView::RowListView(QWidget* parent)
    : QTableView(parent)
    , m_model(new RowListModel(this))
{
    setModel(m_model);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        if (m_widthsRestored)
            m_widthsChanged = true;
    });
}

RowListView::~RowListView()
{
    saveColumnWidths();
}

QString RowListView::layoutKey() const
{
    if (!m_layoutKey.isEmpty())
        return m_layoutKey;
    const QString windowName = window()->objectName();
    if (windowName.isEmpty() || objectName().isEmpty() || window() == this)
        return {};
    return windowName + u'/' + objectName();
}

void RowListView::showEvent(QShowEvent* event)
{
    if (!m_widthsRestored)
        restoreColumnWidths();
    QTableView::showEvent(event);
}

void RowListView::hideEvent(QHideEvent* event)
{
    saveColumnWidths();
    QTableView::hideEvent(event);
}

void RowListView::restoreColumnWidths()
{
    // The widths set in code are the starting widths; those the user set last time win.
    if (const QString key = layoutKey(); !key.isEmpty()) {
        const QList<int> widths = ColumnWidths::load(key);
        if (widths.size() == m_model->columnCount()) {
            for (int column = 0; column < widths.size(); ++column) {
                if (!isColumnHidden(column) && widths[column] > 0)
                    setColumnWidth(column, widths[column]);
            }
        }
    }
    m_widthsRestored = true;
}

void RowListView::saveColumnWidths()
{
    if (!m_widthsChanged)
        return;
    m_widthsChanged = false;
    const QString key = layoutKey();
    if (key.isEmpty())
        return;
    QList<int> widths;
    for (int column = 0; column < m_model->columnCount(); ++column)
        widths.append(columnWidth(column));
    ColumnWidths::save(key, widths);
}

bool RowListView::isCellCut(const QModelIndex& index) const
{
    if (!index.isValid())
        return false;
    // The delegate leaves a margin on each side of the text.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int available = visualRect(index).width() - 2 * margin;
    return fontMetrics().horizontalAdvance(index.data().toString()) > available;
}

bool RowListView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (isCellCut(index))
            QToolTip::showText(help->globalPos(), index.data().toString(), viewport(), visualRect(index));
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(event);
}

void RowListView::setColumns(const QStringList& captions, int width)
{
    m_model->setHeaders(captions);
    for (int column = 0; column < captions.size(); ++column)
        setColumnWidth(column, width);
}

void RowListView::setColumnWidths(const QList<int>& widths)
{
    for (int column = 0; column < widths.size(); ++column)
        setColumnWidth(column, widths[column]);
}

void RowListView::setMultiSelection(bool multiple)
{
    setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

int RowListView::rowCount() const
{
    return m_model->rowCount();
}

void RowListView::insertRow(const QStringList& cells, int position)
{
    m_model->insertRowAt(position, cells);
}

void RowListView::clearRows()
{
    m_model->clear();
}

int RowListView::selectedRow() const
{
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

QList<int> RowListView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void RowListView::selectRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        setCurrentIndex({});
        return;
    }
    QTableView::selectRow(row);
    setCurrentIndex(m_model->index(row, 0));
}
