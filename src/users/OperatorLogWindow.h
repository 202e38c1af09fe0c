#pragma once

#include "app/DeskListView.h"
#include "users/OperatorLogFilter.h"

#include <QDialog>

struct AppServices;
class DatabaseCheck;
class OperatorLogModel;
class QComboBox;
class QDateEdit;
class QLabel;

// "操作日志": what was done at the desk, newest first, for the general manager. The rows of a
// period (a week up to today when it opens) are listed, for one user or all and one kind of
// action or all; "导出" writes the rows listed to a CSV file. The log is only ever added to:
// nothing here changes or deletes a row. The list reads its rows as they are shown, so a year
// of them opens at once. On opening, the chains of the log and the receipts are walked on a
// worker thread; the line under the list says whether they hold, or names the first row that
// no longer matches.
class OperatorLogWindow : public QDialog
{
    Q_OBJECT

public:
    static const QString AllText; // "全部"

    OperatorLogWindow(AppServices& services, QWidget* parent = nullptr);

    OperatorLogModel& rows() const { return *m_model; }
    QTableView& list() const { return *m_list; }
    // The rows listed now.
    OperatorLogFilter filter() const { return m_filter; }

    // Lists the rows the filter controls ask for.
    void query();
    // Whether the chains of the log and the receipts hold, as the label under the list says
    // it ("正在核对校验链…" while they are walked on a worker thread).
    QString chainsText() const;
    bool isCheckingChains() const;

private:
    void fillUsers();
    void exportRows();

    AppServices& m_services;
    OperatorLogModel* m_model;
    DeskListView* m_list;
    QDateEdit* m_firstDay;
    QDateEdit* m_lastDay;
    QComboBox* m_userBox;
    QComboBox* m_kindBox;
    QLabel* m_countLabel;
    QLabel* m_chainLabel;
    DatabaseCheck* m_chainCheck;
    OperatorLogFilter m_filter;
};
