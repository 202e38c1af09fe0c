#pragma once

#include "users/Permissions.h"

#include <QDialog>

#include <array>

struct AppServices;
class QCheckBox;
class QComboBox;

// The permission rows of the four roles, one at a time: nineteen check boxes, checked when
// the role may use the menu item or button. Only "应用" saves; a saved row takes effect at
// the role's next login. "确定", Esc or the close box with boxes changed since the last load
// or "应用" first ask whether to apply them; "取消" closes without a question.
class PermissionDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString DoneText; // "设置完成!"
    static const QString ApplyQuestion;

    explicit PermissionDialog(AppServices& services, QWidget* parent = nullptr);

    int shownRole() const { return m_role; }
    QCheckBox* flagBox(int index) const { return m_boxes[index]; } // 0 = str1 … 18 = str19
    PermissionFlags shownFlags() const;
    bool hasUnappliedChanges() const { return shownFlags() != m_storedFlags; }

    void done(int result) override;

private:
    void chooseRole(int index);
    void loadRow();
    // Saves the shown role's row; false when it could not be saved (the reason was shown).
    bool apply();

    AppServices& m_services;
    int m_role;
    QComboBox* m_roleBox;
    std::array<QCheckBox*, PermissionFlagCount> m_boxes {};
    PermissionFlags m_storedFlags {}; // as last loaded or applied
    bool m_discarding = false; // "取消" was pressed
};
