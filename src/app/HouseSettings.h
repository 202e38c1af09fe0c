#pragma once

#include <QString>

class Database;

// Settings of the house that belong to its data rather than to one desk's folder: kept in the
// table house_setting (name, value), so that every desk on the database obeys the same rule,
// a backup carries them and nobody switches one off by removing a file.
namespace HouseSettings {

// A switch that is off until a manager turns it on: "减单需授权".
inline constexpr QStringView ReductionNeedsApproval = u"减单需授权";
// The spoken announcements are on until a manager turns them off, so their switches name the
// silence: "请 12 号技师到 208 房上钟" when a technician is put into a room, and "208 房已到钟"
// when the clocks of a room fall due.
inline constexpr QStringView CallingTechniciansSilenced = u"关闭呼叫技师语音";
inline constexpr QStringView DueRoomsSilenced = u"关闭到钟语音";

// A requested technician (点钟) keeps her place in the idle queue while she serves, unless a
// manager turns this on: then she goes to the tail as any other ("点钟保留轮次" unticked).
inline constexpr QStringView RequestedLosesTurn = u"点钟不保留轮次";

// A figure of the house: the supplement per clock that a requested technician's commission
// gains on the three services, in fen ("点钟加提", 0 unless set).
inline constexpr QStringView RequestedSupplement = u"点钟加提";

// The most a cashier may waive of a bill (抹零) without a manager's authorisation, in fen
// ("抹零上限"; 1.00 元 until a manager sets it, so rounding down to the yuan needs nobody).
inline constexpr QStringView WaiverLimit = u"抹零上限";
inline constexpr qint64 DefaultWaiverLimitFen = 100;

// Whether the switch `name` is on; off when it was never set. `error` gets a failed read's text.
bool isOn(Database& database, QStringView name, QString* error = nullptr);
// Turns the switch on or off, as part of the caller's transaction. Returns the error text.
QString set(Database& database, QStringView name, bool on);

// The figure `name` in fen; 0 when it was never set. `error` gets a failed read's text.
qint64 figure(Database& database, QStringView name, QString* error = nullptr);
// The same, `unset` when it was never set.
qint64 figureOr(Database& database, QStringView name, qint64 unset, QString* error = nullptr);
// Sets the figure, as part of the caller's transaction. Returns the error text.
QString setFigure(Database& database, QStringView name, qint64 value);

} // namespace HouseSettings
