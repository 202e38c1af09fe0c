#include "app/DatabaseProblem.h"

#include <QDir>

#include <sqlite3.h>

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString logSentence(const QString& filePath)
{
    return QStringLiteral("它旁边还有日志文件 %1:如果刚把 %2 从备份放回过,这个属于放回之前那份数据的旧日志就是原因。"
                          "那样请关闭程序,删掉 %1 和 %3,再启动本程序。")
        .arg(native(filePath + u"-wal"), native(filePath), native(filePath + u"-shm"));
}

} // namespace

DatabaseProblem ProblemOfFailure(int code, const QString& text)
{
    static const struct
    {
        int code;
        DatabaseProblem problem;
    } known[] = {
        { SQLITE_BUSY, DatabaseProblem::Locked },
        { SQLITE_LOCKED, DatabaseProblem::Locked },
        { SQLITE_READONLY, DatabaseProblem::ReadOnly },
        { SQLITE_FULL, DatabaseProblem::DiskFull },
        { SQLITE_CANTOPEN, DatabaseProblem::CannotOpen },
        { SQLITE_CORRUPT, DatabaseProblem::Damaged },
        { SQLITE_NOTADB, DatabaseProblem::Damaged },
    };
    for (const auto& entry : known) {
        if ((code & 0xff) == entry.code || text == QLatin1String(sqlite3_errstr(entry.code)))
            return entry.problem;
    }
    return DatabaseProblem::Other;
}

QString DatabaseProblemText(DatabaseProblem problem, const QString& filePath, const QString& detail, bool logFound)
{
    const QString file = native(filePath);
    QString sentence;
    switch (problem) {
    case DatabaseProblem::None:
        return {};
    case DatabaseProblem::Missing:
        sentence = QStringLiteral("数据库文件 %1 不存在或不是一个普通文件。").arg(file);
        break;
    case DatabaseProblem::Damaged:
        sentence = QStringLiteral("数据库文件 %1 已损坏,或者根本不是数据库:请关闭程序,用最近的备份替换它。").arg(file);
        if (logFound)
            sentence += u'\n' + logSentence(filePath);
        break;
    case DatabaseProblem::Locked:
        sentence = QStringLiteral("数据库文件 %1 正被另一个程序使用:请关闭那个程序,然后再启动本程序。").arg(file);
        break;
    case DatabaseProblem::ReadOnly:
        sentence = QStringLiteral("数据库文件 %1 是只读的,本程序无法写入:请让这个文件和它所在的文件夹可以写入"
                                  "(检查属性和权限,或者从只读的介质复制出来),然后再启动本程序。")
                       .arg(file);
        break;
    case DatabaseProblem::DiskFull:
        sentence = QStringLiteral("磁盘已满,无法写入数据库文件 %1:请腾出磁盘空间,然后再启动本程序。").arg(file);
        break;
    case DatabaseProblem::CannotOpen:
        sentence = QStringLiteral("无法打开数据库文件 %1:请检查这个文件和它所在文件夹的权限。").arg(file);
        break;
    case DatabaseProblem::Foreign:
        return QStringLiteral("数据库文件 %1 不是本程序的数据库,它的表也不是本程序任何版本的:为了不损坏它,程序没有"
                              "改动它。请选择另一个数据文件夹,或者用本程序的备份替换它。\n不相符之处: %2")
            .arg(file, detail);
    case DatabaseProblem::TooNew:
        return QStringLiteral("数据库文件 %1 由更新版本的程序写成: %2").arg(file, detail);
    case DatabaseProblem::Unreachable:
    case DatabaseProblem::PasswordNeeded:
    case DatabaseProblem::NoHouse:
    case DatabaseProblem::NotEmpty:
    case DatabaseProblem::Other:
        sentence = QStringLiteral("无法使用数据库文件 %1:请关闭程序,检查磁盘和这个文件,必要时用最近的备份替换它。")
                       .arg(file);
        break;
    }
    return detail.isEmpty() ? sentence : sentence + QStringLiteral("\n数据库的提示: ") + detail;
}

QString ServerProblemText(DatabaseProblem problem, const QString& server, const QString& detail)
{
    QString sentence;
    switch (problem) {
    case DatabaseProblem::None:
        return {};
    case DatabaseProblem::Unreachable:
        sentence = QStringLiteral("无法连接数据库服务器 %1:请检查网络、服务器是否开着,以及 server.ini 里的地址。")
                       .arg(server);
        break;
    case DatabaseProblem::PasswordNeeded:
        sentence = QStringLiteral("数据库服务器 %1 拒绝了登录:密码不对或者没有密码。").arg(server);
        break;
    case DatabaseProblem::NoHouse:
        return QStringLiteral("数据库服务器 %1 上的数据库是空的,还没有店铺数据。请先在一台电脑上运行 "
                              "tavrel --server 地址 --create-house 建立店铺的数据。")
            .arg(server);
    case DatabaseProblem::NotEmpty:
        sentence = QStringLiteral("数据库服务器 %1 上的数据库已经有表,没有建立新的店铺数据,原有的数据没有改动。")
                       .arg(server);
        break;
    case DatabaseProblem::Foreign:
        return QStringLiteral("数据库服务器 %1 上的数据不是本程序的店铺数据,它的表也不是本程序任何版本的:为了不损坏它,"
                              "程序没有改动它。\n不相符之处: %2")
            .arg(server, detail);
    case DatabaseProblem::TooNew:
        return QStringLiteral("数据库服务器 %1 上的数据由更新版本的程序写成: %2").arg(server, detail);
    case DatabaseProblem::ReadOnly:
        sentence = QStringLiteral("数据库服务器 %1 不允许本帐户写入:请让服务器的管理员检查权限。").arg(server);
        break;
    default:
        sentence = QStringLiteral("无法使用数据库服务器 %1 上的数据。").arg(server);
        break;
    }
    return detail.isEmpty() ? sentence : sentence + QStringLiteral("\n数据库的提示: ") + detail;
}

QString DamagedDatabaseText(
    const QString& filePath, const QStringList& checkLines, bool logFound, const QString& reportPath)
{
    QString text = QStringLiteral("数据库文件 %1 的完整检查发现它已损坏:请尽快结束当前的工作,关闭程序,用最近的备份"
                                  "替换它,以免损坏扩大。")
                       .arg(native(filePath));
    if (logFound)
        text += u'\n' + logSentence(filePath);
    text += QStringLiteral("\n\n检查结果 (共 %1 行) 的开头:").arg(checkLines.size());
    for (const QString& line : checkLines.mid(0, DamageLinesShown))
        text += u"\n  " + line;
    if (checkLines.size() > DamageLinesShown)
        text += QStringLiteral("\n  …");
    if (!reportPath.isEmpty())
        text += QStringLiteral("\n\n完整的检查结果已写入 %1。").arg(native(reportPath));
    return text;
}
