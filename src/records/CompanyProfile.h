#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class Database;

// The company profile: the single company row with id 2004. Its name and telephone head the
// reports and close the receipts (read once at start-up).
struct CompanyProfile
{
    static constexpr int RowId = 2004;

    QString area; // region
    QString name;
    QString address;
    QString tel;
    QString fax; // column smail
    QString postcode; // column postnum
    QString person;
    QString email;
    QString homepage;
    QString about;
};

// Byte limits of the fields, a Chinese character counting 2.
namespace CompanyProfileLimits {
inline constexpr int Area = 25;
inline constexpr int Name = 51;
inline constexpr int Address = 50;
inline constexpr int Tel = 50;
inline constexpr int Fax = 50;
inline constexpr int Postcode = 50;
inline constexpr int Person = 25;
inline constexpr int Email = 50;
inline constexpr int Homepage = 50;
inline constexpr int About = 255;
} // namespace CompanyProfileLimits

// The 37 regions offered, in their fixed order; any other text may be typed.
QStringList RegionChoices();

// The stored profile; nothing when the row is missing or the read failed (then `error` holds
// the database error text).
std::optional<CompanyProfile> LoadCompanyProfile(Database& database, QString* error);

// "请输入企业名称!" or "请输入联系电话!" when a required field is empty (nothing is trimmed);
// empty when the profile may be saved.
QString CompanyProfileRefusal(const CompanyProfile& profile);

// Saves the profile into row 2004. Returns the refusal or the database error text, empty when
// saved or when there is no row (nothing is created).
QString SaveCompanyProfile(Database& database, const CompanyProfile& profile);
