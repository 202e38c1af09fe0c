#pragma once

#include <QWidget>

class QLabel;
class RoomLamp;

// One room on its page: a framed cell with the room number label at the top left, the seat
// label at the top right and the lamp button below them. At its base size the cell is 80 by
// 66 pixels; it grows with its page, keeping the proportions.
class RoomCell : public QWidget
{
    Q_OBJECT

public:
    static constexpr int BaseWidth = 80;
    static constexpr int BaseHeight = 66;

    explicit RoomCell(int room, QWidget* parent = nullptr);

    int room() const { return m_room; }
    RoomLamp* lamp() const { return m_lamp; }
    QLabel* numberLabel() const { return m_number; }
    QLabel* seatLabel() const { return m_seats; }

signals:
    void lampClicked();
    void numberClicked();
    void seatClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* makeLabel(const QString& text, const QString& objectName);

    int m_room;
    RoomLamp* m_lamp;
    QLabel* m_number;
    QLabel* m_seats;
};
