#pragma once

#include "app/LongListView.h"
#include "reports/QueryCondition.h"
#include "reports/QueryTotals.h"
#include "reports/QueryTotalsReader.h"
#include "reports/RecordKind.h"
#include "reports/ShiftListing.h"

#include <QDialog>

#include <optional>

struct AppServices;
class PagedTableModel;
class PaymentTotalsLine;
class QAction;
class QLabel;
class QTimer;
class QueryTotalsArea;

// The business query window. In the normal mode it lists the rows of one kind (receipts,
// technician services or goods sales) under the condition chosen from its menu "查询条件(&Q)"
// (today, a period, everything, a receipt number, a technician, a goods name), with the
// totals painted under the list; "打印" prints the list as a report and "确定" closes.
//
// In the normal mode the receipts list also shows the takings per payment method, and
// "重打小票" prints the selected receipt again.
//
// In the hand-over mode it opens on the receipts of the shift running now, as `shift` lists
// them. Once they are printed whole the shift is offered to be handed over, and after a
// hand-over the window goes on with the next shift, which starts empty.
//
// The list reads its rows as the view shows them, so a list of a million receipts opens at
// once. The totals of a condition by time alone come from the daily ledger with the list, in
// milliseconds; those of any other condition are added up on a worker thread while the window
// is shown, the totals area saying "计算中…" meanwhile.
class QueryWindow : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { Normal, HandOver };

    static const QString GoodsNotPrintedText; // "商品销售不支持打印!"

    // The hand-over mode needs `shift`; the normal mode ignores it.
    QueryWindow(
        RecordKind kind, Mode mode, AppServices& services, QWidget* parent = nullptr, ShiftListing* shift = nullptr);
    ~QueryWindow() override;

    RecordKind kind() const { return m_kind; }
    Mode mode() const { return m_mode; }
    QueryCondition condition() const { return m_condition; }
    PagedTableModel& rows() const { return *m_model; }
    QTableView& list() const { return *m_list; }
    QueryTotalsArea& totalsArea() const { return *m_totalsArea; }
    // Nothing until they have been read for the list shown.
    const std::optional<QueryTotals>& totals() const { return m_totals; }
    // The shift the hand-over mode lists; nothing in the normal mode.
    const std::optional<ShiftListing::Shift>& shift() const { return m_shift; }

    // Lists the rows that meet `condition`.
    void fill(const QueryCondition& condition);
    // Reads the totals of the list now, if they are still to come (on this thread: printing and
    // exporting need them).
    void readTotals();

private:
    QAction* addQuery(const QString& text, const char* objectName, void (QueryWindow::*query)());
    void queryToday();
    void queryPeriod();
    void queryAll();
    void queryReceiptNumber();
    void queryTechnician();
    void queryGoodsName();
    // Asks for one value with the dialog "查询"; nothing when cancelled.
    std::optional<QString> askValue(const QString& label);
    void listShift();
    void print();
    // "导出": every row of the condition, with the totals, to a workbook or a CSV file.
    void exportRows();
    void offerHandOver(bool listUnprinted);
    void showReadFailure(const QString& error);
    void showTotals(const QueryTotalsReader::Result& result);
    void reprintSelected();

    AppServices& m_services;
    RecordKind m_kind;
    Mode m_mode;
    PagedTableModel* m_model;
    LongListView* m_list;
    QueryTotalsArea* m_totalsArea;
    QLabel* m_shiftLabel = nullptr;
    PaymentTotalsLine* m_paymentTotals = nullptr; // receipts in the normal mode
    QTimer* m_totalsTimer;
    QueryTotalsReader* m_totalsReader;

    QueryCondition m_condition = QueryCondition::all();
    std::optional<QueryTotals> m_totals;
    ShiftListing* m_shiftListing;
    std::optional<ShiftListing::Shift> m_shift;
};
