#include "users/RoleBox.h"

#include "users/Roles.h"

#include <QComboBox>

QComboBox* NewRoleBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("roleBox"));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(RoleChoices());
    ShowRole(box, Cashier);
    return box;
}

void ShowRole(QComboBox* box, int role)
{
    const int item = box->findText(RoleName(role), Qt::MatchExactly);
    box->setCurrentIndex(item);
    if (item < 0)
        box->setEditText(RoleName(role));
}
