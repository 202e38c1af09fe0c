#pragma once

#include <QDialog>

struct AppServices;
class QCheckBox;
class QComboBox;

// "换技师": one technician serving the room gives his place to another. The old one is chosen
// from the room's technicians not sent down yet; the new one is typed or chosen by number from
// the technicians the desk offers, or "下一位" takes the next of the queue. "点钟" marks a
// technician the guest asked for by number. "确定" makes the change through the desk session in
// one action; a refusal is shown and the dialog stays.
class ChangeTechnicianDialog : public QDialog
{
    Q_OBJECT

public:
    ChangeTechnicianDialog(AppServices& services, const QString& room, QWidget* parent = nullptr);

private:
    void fillOldBox();
    void takeNext();
    void confirm();

    AppServices& m_services;
    QString m_room;
    QComboBox* m_oldBox;
    QComboBox* m_newBox;
    QCheckBox* m_requested;
};
