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

    static constexpr QStringView FileName = u"sys.nnf";
    static constexpr int FileSize = 40;

    static ServiceSettings delivered();

    // Missing file: "打开一个二进制文件失败!" and nothing. A short file leaves its missing values 0.
    static std::optional<ServiceSettings> read(const QString& fileName, MessageService& messages);
    bool write(const QString& fileName, MessageService& messages) const;
};
