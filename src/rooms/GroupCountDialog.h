#pragma once

#include <QDialog>

struct AppServices;
class QComboBox;

// Sets how many room groups of 40 rooms the house has, 1 to 5, in HouNum.daf. The box shows
// the count now stored; only a count chosen from its list is written. "确定" ends the dialog
// with OK in every case; the new count is used at the next start. A larger count writes the
// room files of its new groups at once, rooms without numbers.
class GroupCountDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GroupCountDialog(AppServices& services, QWidget* parent = nullptr);

    // The count chosen from the list, or 0 while none was chosen.
    int chosenCount() const { return m_chosen; }

private:
    void confirm();

    AppServices& m_services;
    QComboBox* m_box;
    int m_storedCount; // as read when the dialog opened
    int m_chosen = 0;
};
