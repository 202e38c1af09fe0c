#include "records/CompanyProfile.h"

#include "app/Database.h"

QStringList RegionChoices()
{
    return { QStringLiteral("广东省"), QStringLiteral("北京市"), QStringLiteral("上海市"), QStringLiteral("天津市"),
        QStringLiteral("重庆市"), QStringLiteral("广州市"), QStringLiteral("杭州市"), QStringLiteral("武汉市"),
        QStringLiteral("河北省"), QStringLiteral("山西省"), QStringLiteral("辽宁省"), QStringLiteral("吉林省"),
        QStringLiteral("江苏省"), QStringLiteral("浙江省"), QStringLiteral("安徽省"), QStringLiteral("福建省"),
        QStringLiteral("江西省"), QStringLiteral("山东省"), QStringLiteral("河南省"), QStringLiteral("内蒙古自治区"),
        QStringLiteral("黑龙江省"), QStringLiteral("湖北省"), QStringLiteral("湖南省"),
        QStringLiteral("广西壮族自治区"), QStringLiteral("海南省"), QStringLiteral("四川省"), QStringLiteral("贵州省"),
        QStringLiteral("西藏自治区"), QStringLiteral("陕西省"), QStringLiteral("甘肃省"), QStringLiteral("青海省"),
        QStringLiteral("宁夏回族自治区"), QStringLiteral("新疆维吾尔族自治区"), QStringLiteral("香港特别行政区"),
        QStringLiteral("澳门特别行政区"), QStringLiteral("海外"), QStringLiteral("台湾省") };
}

std::optional<CompanyProfile> LoadCompanyProfile(Database& database, QString* error)
{
    const SqlResult result
        = database.exec(QStringLiteral("SELECT area, name, address, tel, smail, postnum, person, email, homepage, "
                                       "about FROM company WHERE id=?"),
            { CompanyProfile::RowId });
    if (error)
        *error = result.error;
    if (!result.ok() || result.isEmpty())
        return std::nullopt;
    const QSqlRecord& row = result.first();
    return CompanyProfile { row.value(0).toString(), row.value(1).toString(), row.value(2).toString(),
        row.value(3).toString(), row.value(4).toString(), row.value(5).toString(), row.value(6).toString(),
        row.value(7).toString(), row.value(8).toString(), row.value(9).toString() };
}

QString CompanyProfileRefusal(const CompanyProfile& profile)
{
    if (profile.name.isEmpty())
        return QStringLiteral("请输入企业名称!");
    if (profile.tel.isEmpty())
        return QStringLiteral("请输入联系电话!");
    return {};
}

QString SaveCompanyProfile(Database& database, const CompanyProfile& profile)
{
    const QString refusal = CompanyProfileRefusal(profile);
    if (!refusal.isEmpty())
        return refusal;
    const SqlResult updated = database.exec(
        QStringLiteral("UPDATE company SET name=?, tel=?, postnum=?, email=?, smail=?, about=?, person=?, homepage=?, "
                       "area=?, address=? WHERE id=?"),
        { profile.name, profile.tel, profile.postcode, profile.email, profile.fax, profile.about, profile.person,
            profile.homepage, profile.area, profile.address, CompanyProfile::RowId });
    return updated.error;
}
