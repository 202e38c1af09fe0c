#pragma once

#include <QDialog>

class QLineEdit;

// "查询": the one value a query asks for (a receipt number, a technician, a goods name),
// typed in a box beside its label.
class SingleValueQueryDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SingleValueQueryDialog(const QString& label, QWidget* parent = nullptr);

    // The text as typed.
    QString value() const;
    QLineEdit* valueEdit() const { return m_edit; }

private:
    QLineEdit* m_edit;
};
