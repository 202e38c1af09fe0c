#pragma once

#include "desk/ClockSettings.h"
#include "desk/ServiceClock.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <optional>

class AlertSound;
class Clock;
class Database;
class DeskSession;
class QTimer;
class SettingPlace;
class Speech;

// Keeps the clocks of every room in service in view for the board. Every second, and at once
// when a room changes, it reads each open bill of the desk session against the clock and the
// clock settings, tells which rooms now read differently (another minute, another alert), and
// sounds once when the clocks of a room fall due. A room whose end moves (a clock added) and
// falls due again sounds again then; one that stays due never sounds twice.
//
// Given a voice, each such alert also says "208 房已到钟", once, unless the house has turned
// that announcement off.
//
// The settings are read from their place at every look, so that a change in the prices dialog
// shows on the board within a second.
class ClockWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int TickMilliseconds = 1000;

    ClockWatch(const DeskSession& session, const Clock& clock, AlertSound& sound, SettingPlace& settingPlace,
        QObject* parent = nullptr);
    // Also says each alert aloud through `speech`, the house's switch read from `database` at
    // each alert.
    ClockWatch(const DeskSession& session, const Clock& clock, AlertSound& sound, Speech& speech, Database& database,
        SettingPlace& settingPlace, QObject* parent = nullptr);

    // The room as last read; nothing for a room that is not in service.
    std::optional<ServiceClockReading> reading(const QString& room) const;
    // The rooms whose clocks are due, the one due longest first.
    const QStringList& dueRooms() const { return m_due; }
    const ClockSettings& settings() const { return m_settings; }

    // Reads every room now.
    void refresh();

signals:
    // The rooms whose reading changed, came or went since the last look.
    void readingsChanged(const QStringList& rooms);
    void dueRoomsChanged(const QStringList& rooms);

private:
    ClockWatch(const DeskSession& session, const Clock& clock, AlertSound& sound, Speech* speech, Database* database,
        SettingPlace& settingPlace, QObject* parent);

    const DeskSession& m_session;
    const Clock& m_clock;
    AlertSound& m_sound;
    SettingPlace& m_settingPlace;
    Speech* m_speech;
    Database* m_database;
    ClockSettings m_settings;
    QHash<QString, ServiceClockReading> m_readings;
    QHash<QString, QDateTime> m_sounded; // room -> the end whose alert has sounded
    QStringList m_due;
    QTimer* m_timer;
};
