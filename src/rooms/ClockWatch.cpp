#include "rooms/ClockWatch.h"

#include "app/AlertSound.h"
#include "app/Clock.h"
#include "app/HouseSettings.h"
#include "desk/DeskSession.h"
#include "rooms/Announcements.h"

#include <QTimer>

#include <algorithm>

ClockWatch::ClockWatch(
    const DeskSession& session, const Clock& clock, AlertSound& sound, SettingPlace& settingPlace, QObject* parent)
    : ClockWatch(session, clock, sound, nullptr, nullptr, settingPlace, parent)
{ }

ClockWatch::ClockWatch(const DeskSession& session, const Clock& clock, AlertSound& sound, Speech& speech,
    Database& database, SettingPlace& settingPlace, QObject* parent)
    : ClockWatch(session, clock, sound, &speech, &database, settingPlace, parent)
{ }

ClockWatch::ClockWatch(const DeskSession& session, const Clock& clock, AlertSound& sound, Speech* speech,
    Database* database, SettingPlace& settingPlace, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_clock(clock)
    , m_sound(sound)
    , m_settingPlace(settingPlace)
    , m_speech(speech)
    , m_database(database)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &ClockWatch::refresh);
    connect(&m_session, &DeskSession::roomChanged, this, &ClockWatch::refresh);
    m_timer->start(TickMilliseconds);
    refresh();
}

std::optional<ServiceClockReading> ClockWatch::reading(const QString& room) const
{
    if (const auto found = m_readings.constFind(room); found != m_readings.cend())
        return *found;
    return std::nullopt;
}

void ClockWatch::refresh()
{
    m_settings = ClockSettings::read(m_settingPlace);
    const QDateTime now = m_clock.now();

    QHash<QString, ServiceClockReading> readings;
    QStringList changed;
    const QMap<QString, OpenBill>& bills = m_session.bills();
    for (auto bill = bills.cbegin(); bill != bills.cend(); ++bill) {
        const ServiceClockReading reading = ReadServiceClock(*bill, m_settings, now);
        readings.insert(bill.key(), reading);
        if (const auto before = m_readings.constFind(bill.key()); before == m_readings.cend() || *before != reading)
            changed << bill.key();
        if (reading.alert == ClockAlert::Due && m_sounded.value(bill.key()) != reading.end) {
            m_sounded.insert(bill.key(), reading.end);
            m_sound.play();
            if (m_speech)
                Announcements::sayUnlessSilenced(
                    *m_speech, *m_database, HouseSettings::DueRoomsSilenced, Announcements::roomDue(bill.key()));
        }
    }
    for (auto gone = m_readings.cbegin(); gone != m_readings.cend(); ++gone) {
        if (!readings.contains(gone.key())) {
            changed << gone.key();
            m_sounded.remove(gone.key());
        }
    }
    m_readings = std::move(readings);

    QStringList due;
    for (auto reading = m_readings.cbegin(); reading != m_readings.cend(); ++reading) {
        if (reading->alert == ClockAlert::Due)
            due << reading.key();
    }
    std::sort(due.begin(), due.end(), [this](const QString& first, const QString& second) {
        const QDateTime firstEnd = m_readings.value(first).end;
        const QDateTime secondEnd = m_readings.value(second).end;
        return firstEnd != secondEnd ? firstEnd < secondEnd : first < second;
    });

    if (!changed.isEmpty())
        emit readingsChanged(changed);
    if (due != m_due) {
        m_due = due;
        emit dueRoomsChanged(m_due);
    }
}
