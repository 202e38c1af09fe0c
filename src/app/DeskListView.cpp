#include "app/DeskListView.h"

#include "app/ColumnWidths.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

#include <algorithm>

DeskListView::DeskListView(QWidget* parent)
    : QTableView(parent)
{
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        if (m_widthsRestored)
            m_widthsChanged = true;
    });
}

DeskListView::~DeskListView()
{
    saveColumnWidths();
}

QString DeskListView::layoutKey() const
{
    if (!m_layoutKey.isEmpty())
        return m_layoutKey;
    const QString windowName = window()->objectName();
    if (windowName.isEmpty() || objectName().isEmpty() || window() == this)
        return {};
    return windowName + u'/' + objectName();
}

void DeskListView::showEvent(QShowEvent* event)
{
    if (!m_widthsRestored)
        restoreColumnWidths();
    QTableView::showEvent(event);
}

void DeskListView::hideEvent(QHideEvent* event)
{
    saveColumnWidths();
    QTableView::hideEvent(event);
}

void DeskListView::restoreColumnWidths()
{
    // The widths set in code are the starting widths; those the user set last time win.
    if (const QString key = layoutKey(); !key.isEmpty() && model()) {
        const QList<int> widths = ColumnWidths::load(key);
        if (widths.size() == model()->columnCount()) {
            for (int column = 0; column < widths.size(); ++column) {
                if (!isColumnHidden(column) && widths[column] > 0)
                    setColumnWidth(column, widths[column]);
            }
        }
    }
    m_widthsRestored = true;
}

void DeskListView::saveColumnWidths()
{
    if (!m_widthsChanged)
        return;
    m_widthsChanged = false;
    const QString key = layoutKey();
    if (key.isEmpty() || !model())
        return;
    QList<int> widths;
    for (int column = 0; column < model()->columnCount(); ++column)
        widths.append(columnWidth(column));
    ColumnWidths::save(key, widths);
}

bool DeskListView::isCellCut(const QModelIndex& index) const
{
    if (!index.isValid())
        return false;
    // The delegate leaves a margin on each side of the text.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int available = visualRect(index).width() - 2 * margin;
    return fontMetrics().horizontalAdvance(index.data().toString()) > available;
}

bool DeskListView::viewportEvent(QEvent* event)
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

void DeskListView::setColumnWidths(const QList<int>& widths)
{
    for (int column = 0; column < widths.size(); ++column)
        setColumnWidth(column, widths[column]);
}

void DeskListView::setMultiSelection(bool multiple)
{
    setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

int DeskListView::rowCount() const
{
    return model() ? model()->rowCount() : 0;
}

int DeskListView::selectedRow() const
{
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

QList<int> DeskListView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DeskListView::selectRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        setCurrentIndex({});
        return;
    }
    QTableView::selectRow(row);
    setCurrentIndex(model()->index(row, 0));
}
