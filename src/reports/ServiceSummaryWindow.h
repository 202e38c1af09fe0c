#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

struct AppServices;
class QDateTimeEdit;
class QLabel;
class RowListView;
struct ExportTable;

// The sums of a period, one row per item or per technician, with a totals line under them:
// - "服务项目汇总": each item of the menu (number and the name it was sold under) with its units,
//   amount and the technicians' commission;
// - "技师点钟汇总": each technician with her clocks, 点钟数, 点钟率 and every commission she
//   earned.
// The period is two moments; "查询" reads it afresh (whole days from the daily ledger, the
// partial ones from the rows). "打印" prints the list, "导出" writes it to a workbook or a CSV
// file, the totals in the last row of both.
class ServiceSummaryWindow : public QDialog
{
    Q_OBJECT

public:
    enum class Kind { Items, TechnicianCalls };

    ServiceSummaryWindow(Kind kind, AppServices& services, QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    RowListView& list() const { return *m_list; }
    QDateTimeEdit* startEdit() const { return m_start; }
    QDateTimeEdit* endEdit() const { return m_end; }
    // The cells of the totals row, as printed and exported.
    QStringList totals() const { return m_totals; }

    // Reads the period between the two pickers.
    void query();
    void print();
    void exportRows();

private:
    ExportTable exportTable() const;

    AppServices& m_services;
    Kind m_kind;
    QDateTimeEdit* m_start;
    QDateTimeEdit* m_end;
    RowListView* m_list;
    QLabel* m_totalsLabel;
    QStringList m_totals;
};
