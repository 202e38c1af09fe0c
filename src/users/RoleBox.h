#pragma once

class QComboBox;
class QWidget;

// The role box of the login, account and permission dialogs: an editable drop-down list
// offering 总经理, 经理, 部长, 收银员 in this order, named "roleBox", showing 收银员.
QComboBox* NewRoleBox(QWidget* parent);

// Shows `role` with its item selected, so that the text shown and the item the arrow keys
// move from are the same. An editable box's setCurrentText() would change the text alone.
void ShowRole(QComboBox* box, int role);
