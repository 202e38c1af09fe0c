#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class ClockWatch;
class QLabel;
class QToolButton;

// The line under the room tabs that names the rooms whose clocks are due ("208号房 已到钟"),
// the one due longest first. A click on a name asks for that room to be opened. Names that
// do not fit the line are counted at its end ("等共12间"), and the whole list is in its tooltip.
class ClockAlertBar : public QWidget
{
    Q_OBJECT

public:
    explicit ClockAlertBar(const ClockWatch& watch, QWidget* parent = nullptr);

    // The rooms named, and of them those whose names the line has room for.
    const QStringList& rooms() const { return m_rooms; }
    QStringList shownRooms() const;

    static QString dueText(const QString& room);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void roomChosen(const QString& room);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showRooms(const QStringList& rooms);
    void placeNames();

    QStringList m_rooms;
    QLabel* m_caption;
    QList<QToolButton*> m_names;
    QLabel* m_more;
};
