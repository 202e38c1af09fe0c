#pragma once

#include <QDialog>

struct AppServices;
class RowListView;
class TechnicianQueue;

// "技师工作状态和上钟顺序": the idle queue (next to be offered on top) beside the technicians now
// serving, and the desk's way to correct the two lists by hand. It changes only the desk's
// lists and is closed with the close box or Esc.
class TechnicianStatusDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TechnicianStatusDialog(AppServices& services, QWidget* parent = nullptr);

private:
    void fill(RowListView* view, const TechnicianQueue& queue);
    // Moves the selected technician of `sourceView` to the tail of the other list, after the
    // desk confirmed it. No selection does nothing.
    void move(RowListView* sourceView, TechnicianQueue& source, RowListView* targetView, TechnicianQueue& target);

    AppServices& m_services;
    RowListView* m_idleList;
    RowListView* m_workingList;
};
