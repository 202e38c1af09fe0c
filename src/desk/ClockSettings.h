#pragma once

#include <QString>

class MessageService;
class SettingPlace;

// How long one clock of massage and of foot-wash lasts, and how many minutes before the end of
// a room's clocks the board warns. Kept beside the prices in a small file of its own, three
// little-endian 32-bit integers (massage minutes, foot-wash minutes, alert minutes), so that
// sys.nnf keeps the five doubles every desk of the house already reads, and a backup of the
// folder carries it with the prices.
struct ClockSettings
{
    int massageMinutes = 60;
    int footWashMinutes = 60;
    int alertMinutes = 5;

    static constexpr QStringView FileName = u"clock.nnf";
    static constexpr int FileSize = 12;
    static constexpr int MostClockMinutes = 600;
    static constexpr int MostAlertMinutes = 60;

    // The stored values. The board reads them every second, so nothing is said here: a desk
    // without the file (it came before the setting) works with the defaults, and so does a
    // stored value out of range, each on its own.
    static ClockSettings read(SettingPlace& place);
    // Whole or not at all; "创建一个二进制文件失败!" when that fails.
    bool write(SettingPlace& place, MessageService& messages) const;

    friend bool operator==(const ClockSettings&, const ClockSettings&) = default;
};

// The values the prices dialog refuses: a clock of 1 to 600 minutes, an alert 0 to 60 minutes
// before the end (0: none). Returns the message the desk shows, or an empty text.
QString ClockSettingsRefusal(const ClockSettings& settings);
