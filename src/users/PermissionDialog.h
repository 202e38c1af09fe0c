#pragma once

#include "users/Permissions.h"

#include <QDialog>

#include <array>

struct AppServices;
class QCheckBox;
class QComboBox;

// The permission rows of the four roles, one at a time: eighteen check boxes, checked when
// the role may use the menu item or button. Only "应用" saves; a saved row takes effect at
// the role's next login.
class PermissionDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString DoneText; // "设置完成!"

    explicit PermissionDialog(AppServices& services, QWidget* parent = nullptr);

    int shownRole() const { return m_role; }
    QCheckBox* flagBox(int index) const { return m_boxes[index]; } // 0 = str1 … 17 = str18
    PermissionFlags shownFlags() const;

private:
    void chooseRole(int index);
    void loadRow();
    void apply();

    AppServices& m_services;
    int m_role;
    QComboBox* m_roleBox;
    std::array<QCheckBox*, PermissionFlagCount> m_boxes {};
};
