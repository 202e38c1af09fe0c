#pragma once

#include "app/Outcome.h"

#include <QDialog>

struct AppServices;
class DeskSession;
class RowListView;

// "技师工作状态和上钟顺序": the idle queue (next to be offered on top) beside the technicians now
// serving, and the desk's way to correct the two lists by hand. It changes only the desk
// session's lists and is closed with the close box or Esc.
class TechnicianStatusDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TechnicianStatusDialog(AppServices& services, QWidget* parent = nullptr);

private:
    void fill(RowListView* view, const QStringList& numbers);
    // Moves the selected technician of `sourceView` to the tail of the other list with
    // `moveInSession`, after the desk confirmed it. No selection does nothing; a failed write
    // shows the error and leaves both lists.
    void move(
        RowListView* sourceView, RowListView* targetView, Outcome<> (DeskSession::*moveInSession)(const QString&));

    AppServices& m_services;
    RowListView* m_idleList;
    RowListView* m_workingList;
};
