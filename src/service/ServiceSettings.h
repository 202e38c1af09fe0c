#pragma once

#include <QString>

#include <optional>

class MessageService;

// The house's prices and member discount, kept in sys.nnf as five little-endian doubles.
struct ServiceSettings
{
    double massagePrice = 0.0; // yuan per clock
    double footWashPrice = 0.0; // yuan per clock
    double pedicurePrice = 0.0; // yuan per pedicure
    double freeClockCount = 0.0; // stored and shown only
    double memberDiscount = 0.0; // factor on the massage line with a member card
    // False when the values did not all come from the file (missing or shorter than 40
    // bytes): the missing ones are 0, and checkout must not settle a bill at them.
    bool complete = true;

    static constexpr QStringView FileName = u"sys.nnf";
    static constexpr int FileSize = 40;

    static ServiceSettings delivered();
    // No prices at all: what checkout works with when the file cannot be read.
    static ServiceSettings unset();

    // Missing file: "打开一个二进制文件失败!" and nothing. A short file gives its values with the
    // missing ones 0 and `complete` false.
    static std::optional<ServiceSettings> read(const QString& fileName, MessageService& messages);
    // The prices for a checkout: those of the file, or unset() after the message.
    static ServiceSettings readForCheckout(const QString& fileName, MessageService& messages);
    // Writes the five values (never `complete`), whole or not at all.
    bool write(const QString& fileName, MessageService& messages) const;
};

// The values the prices dialog refuses: a price below 0, a member discount outside (0, 1].
// Returns the message the desk shows, or an empty text.
QString ServiceSettingsRefusal(const ServiceSettings& settings);
