#pragma once

#include <QDialog>

class QLineEdit;

// Asks for one room number or one seat count when a label on a room page is clicked. The
// box takes digits only (at most five); "确定" hands back its text as typed, possibly empty.
// Whether the number may be used is the room page's decision.
class RoomNumberDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { Number = 0, Seats = 1 };
    static constexpr int MaxDigits = 5;

    explicit RoomNumberDialog(Mode mode, QWidget* parent = nullptr);

    Mode mode() const { return m_mode; }
    QString enteredText() const;

private:
    Mode m_mode;
    QLineEdit* m_edit;
};
