#pragma once

#include "skin/UnaddedTyping.h"

#include <QDialog>

struct AppServices;
class QComboBox;
class QLineEdit;
class RowListView;

// The login accounts of the four roles, one role's list at a time. 添加, 修改 and 删除 write at
// once; 确定 and 取消 only close. The list shows passwords masked: they are stored as hashes.
class AccountDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString MaskedPassword; // what the 密码 column shows
    static const QString NoAccountText; // "请选择要删除的帐户!"
    static const QString DeleteQuestion; // "真的要删除这个选项吗？"

    explicit AccountDialog(AppServices& services, QWidget* parent = nullptr);

    int currentRole() const { return m_role; }

    // Closing asks first when the fields hold typing that was not added.
    void done(int result) override;

private:
    enum Column { LoginColumn, PasswordColumn, NameColumn, RoleColumn, IdColumn, ColumnCount };

    bool eventFilter(QObject* watched, QEvent* event) override;
    void chooseRole(int index);
    void fillList();
    void showRow(int row);
    void clearFields();
    void addAccount();
    void modifyAccount();
    void deleteAccount();
    QStringList rowCells(qint64 id, const QString& login, const QString& name) const;
    qint64 selectedId() const;

    AppServices& m_services;
    int m_role;
    QComboBox* m_roleBox;
    QLineEdit* m_loginEdit;
    QLineEdit* m_passwordEdit;
    QLineEdit* m_nameEdit;
    RowListView* m_list;
    FieldSnapshot m_shown; // the fields as the dialog last filled them
};
