#pragma once

#include "schedule/ShiftPlanStore.h"

#include <QDialog>

#include <array>

struct AppServices;
class QComboBox;
class QListWidget;
class RandomSource;
class RowListView;

// "员工上班安排": the manager puts every staff member on the early or late shift and gives him a
// weekly rest day, by hand or at random, and chooses whether the shifts swap daily or weekly at
// start-up. The boxes are a draft until "确定" stores the whole plan; removing an entry and
// "清空列表" are stored at once.
class ShiftPlannerDialog : public QDialog
{
    Q_OBJECT

public:
    // `random` feeds "随机(上班)" and "随机(休息)"; the desk passes a generator seeded from the
    // clock.
    ShiftPlannerDialog(AppServices& services, RandomSource& random, QWidget* parent = nullptr);

    // The plan the boxes hold now.
    ShiftPlan plan() const;

private:
    void load();
    // Puts the staff row into `box` and marks its number in the staff list as placed.
    void place(RowListView* staffList, int row, QListWidget* box);
    void addSelected(RowListView* staffList, QListWidget* box);
    // Takes the selected entry out of `box` and stores the person's shift or rest day as
    // unassigned at once.
    void removeEntry(QListWidget* box, QString (ShiftPlanStore::*unassign)(const QString&));
    void clearAll();
    void randomShifts();
    void randomRestDays();
    void save();

    AppServices& m_services;
    RandomSource& m_random;
    ShiftPlanStore m_store;

    QComboBox* m_rotationChoice;
    RowListView* m_shiftStaff;
    RowListView* m_restStaff;
    QListWidget* m_earlyBox;
    QListWidget* m_lateBox;
    std::array<QListWidget*, 7> m_dayBoxes {}; // Monday first
};
