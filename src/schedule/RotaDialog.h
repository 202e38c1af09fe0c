#pragma once

#include "schedule/Rota.h"

#include <QDialog>

struct AppServices;
class QRadioButton;
class RowListView;

// "排钟": the desk sees who is on duty today, marks who has come in and queues the technicians
// first come, first served. Every button works on the desk's lists at once; "确定" and "取消"
// only close the dialog.
class RotaDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RotaDialog(AppServices& services, QWidget* parent = nullptr);

    Rota::Shift shownShift() const { return m_shift; }

private:
    void showShift(Rota::Shift shift);
    void showRestDay();
    void fillDutyTable(Rota::View view);
    void fillQueueList();
    void markPresent();
    void queueTechnician();
    void showErrors(const QStringList& errors);

    AppServices& m_services;
    Rota m_rota;
    // The shift whose queue is shown; the rest view keeps it, so queuing from there goes to it.
    Rota::Shift m_shift = Rota::Shift::Early;

    RowListView* m_queueList;
    RowListView* m_dutyTable;
    QRadioButton* m_earlyButton;
    QRadioButton* m_lateButton;
    QRadioButton* m_restButton;
};
