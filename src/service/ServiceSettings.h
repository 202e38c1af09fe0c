#pragma once

#include "app/Money.h"

#include <QString>

#include <optional>

class MessageService;
class SettingPlace;

// The house's prices and member discount, kept in sys.nnf as five little-endian doubles. Each
// is held as the short decimal it was typed as (45.55, not the double's 45.5499999…), so that
// a bill is priced exactly.
struct ServiceSettings
{
    Decimal massagePrice; // yuan per clock
    Decimal footWashPrice; // yuan per clock
    Decimal pedicurePrice; // yuan per pedicure
    Decimal freeClockCount; // stored and shown only
    Decimal memberDiscount; // factor on the massage line with a member card
    // False when the values did not all come from the file (missing or shorter than 40
    // bytes): the missing ones are 0, and checkout must not settle a bill at them.
    bool complete = true;

    static constexpr QStringView FileName = u"sys.nnf";
    static constexpr int FileSize = 40;

    static ServiceSettings delivered();
    // No prices at all: what checkout works with when the file cannot be read.
    static ServiceSettings unset();

    // Missing file: "打开一个二进制文件失败!" and nothing. A short file gives its values with the
    // missing ones 0 and `complete` false. A file whose values no one could have typed in the
    // prices dialog (not a number, infinite, negative, beyond MaxUnitPriceYuan, or a member
    // discount outside (0, 1]) is damaged: the same message, and nothing.
    static std::optional<ServiceSettings> read(SettingPlace& place, MessageService& messages);
    // The prices for a checkout: those of the file, or unset() after the message.
    static ServiceSettings readForCheckout(SettingPlace& place, MessageService& messages);
    // Writes the five values (never `complete`), whole or not at all.
    bool write(SettingPlace& place, MessageService& messages) const;
};

// The values the prices dialog refuses: a price below 0 or beyond MaxUnitPriceYuan, a member
// discount outside (0, 1].
// Returns the message the desk shows, or an empty text.
QString ServiceSettingsRefusal(const ServiceSettings& settings);
