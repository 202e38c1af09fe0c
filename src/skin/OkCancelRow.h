#pragma once

#include <QHBoxLayout>
#include <QPushButton>

class QDialog;
class QLayout;

// The "确定"/"取消" row at the foot of a small dialog: right-aligned, "确定" (object name
// okButton) the default button, "取消" (cancelButton) rejecting the dialog. The caller
// connects "确定", which it receives through `ok`.
QHBoxLayout* OkCancelRow(QDialog* dialog, QPushButton** ok);

// The layout of a small dialog that asks for a few fields: `fields` above the "确定"/"取消" row,
// with the margins and spacing the desk's small dialogs share. "确定" comes back through `ok`.
void SetFieldsAndOkCancel(QDialog* dialog, QLayout* fields, QPushButton** ok);
