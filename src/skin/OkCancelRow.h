#pragma once

#include <QHBoxLayout>
#include <QPushButton>

class QDialog;

// The "确定"/"取消" row at the foot of a small dialog: right-aligned, "确定" (object name
// okButton) the default button, "取消" (cancelButton) rejecting the dialog. The caller
// connects "确定", which it receives through `ok`.
QHBoxLayout* OkCancelRow(QDialog* dialog, QPushButton** ok);
