#include "app/ServerAddress.h"

#include "app/DurableFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QUrl>

namespace {

const QString Example = QStringLiteral("postgresql://tavrel@192.168.1.10:5432/tavrel");

// The parameters a desk may give libpq besides host, port, user and database.
const QStringList KnownOptions { QStringLiteral("sslmode"), QStringLiteral("sslrootcert"), QStringLiteral("sslcert"),
    QStringLiteral("sslkey"), QStringLiteral("sslcrl"), QStringLiteral("passfile"), QStringLiteral("connect_timeout"),
    QStringLiteral("application_name"), QStringLiteral("keepalives"), QStringLiteral("keepalives_idle"),
    QStringLiteral("keepalives_interval"), QStringLiteral("keepalives_count"), QStringLiteral("target_session_attrs") };

const QStringList SslModes { QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
    QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full") };

Refusal passwordRefusal()
{
    return Refusal { QStringLiteral("服务器地址里不能写密码。密码请写在 ~/.pgpass 文件"
                                    "(或环境变量 PGPASSFILE 指定的文件)里,否则每次启动时输入。") };
}

// A part of the address with its %XX escapes decoded; nothing when an escape is broken or
// the bytes are no UTF-8.
std::optional<QString> decoded(QStringView part)
{
    static const QRegularExpression brokenEscape(QStringLiteral("%(?![0-9A-Fa-f]{2})"));
    if (brokenEscape.match(part).hasMatch())
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromPercentEncoding(part.toUtf8());
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes)
        return std::nullopt;
    return text;
}

QString encoded(const QString& part)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(part));
}

bool isPort(const QString& text, int* port)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    if (!digits.match(text).hasMatch())
        return false;
    *port = text.toInt();
    return *port >= 1 && *port <= 65535;
}

// Sets `field` from a part of the address; a second, different value of the same field is
// refused rather than one of them silently winning.
std::optional<Refusal> setOnce(QString& field, const QString& value, const QString& name)
{
    if (!field.isEmpty() && !value.isEmpty() && field != value)
        return Refusal { QStringLiteral("服务器地址里的 %1 写了两次。").arg(name) };
    if (!value.isEmpty())
        field = value;
    return std::nullopt;
}

// A value in libpq's keyword=value form, quoted.
QString quotedOption(const QString& value)
{
    QString quoted = value;
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    quoted.replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + quoted + u'\'';
}

} // namespace

Outcome<ServerAddress> ServerAddress::parse(QStringView url)
{
    const QString text = url.trimmed().toString();
    QStringView rest;
    for (const QStringView scheme : { QStringView(u"postgresql://"), QStringView(u"postgres://") }) {
        if (text.startsWith(scheme, Qt::CaseInsensitive)) {
            rest = QStringView(text).sliced(scheme.size());
            break;
        }
    }
    if (rest.isNull())
        return Refusal { QStringLiteral("服务器地址应以 postgresql:// 开头,例如 %1").arg(Example) };
    for (const QChar c : rest) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return Refusal { QStringLiteral("服务器地址里不能有空格或控制字符。") };
    }

    qsizetype authorityEnd = 0;
    while (authorityEnd < rest.size() && rest[authorityEnd] != u'/' && rest[authorityEnd] != u'?')
        ++authorityEnd;
    QStringView authority = rest.first(authorityEnd);
    QStringView path = rest.sliced(authorityEnd);
    QStringView query;
    if (const qsizetype mark = path.indexOf(u'?'); mark >= 0) {
        query = path.sliced(mark + 1);
        path = path.first(mark);
    }

    ServerAddress address;
    auto unreadable = [](QStringView part) {
        return Refusal { QStringLiteral("服务器地址里的 %1 不能识别(% 后应有两位十六进制数字)。").arg(part) };
    };

    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        const QStringView userSpec = authority.first(at);
        authority = authority.sliced(at + 1);
        if (userSpec.contains(u':'))
            return passwordRefusal();
        if (userSpec.contains(u'@'))
            return Refusal { QStringLiteral("服务器地址里的用户名含 @ 时应写作 %40。") };
        const std::optional<QString> user = decoded(userSpec);
        if (!user)
            return unreadable(userSpec);
        address.m_user = *user;
    }

    if (authority.contains(u','))
        return Refusal { QStringLiteral("服务器地址只能写一台服务器。") };
    QStringView hostSpec = authority;
    QStringView portSpec;
    if (hostSpec.startsWith(u'[')) {
        const qsizetype close = hostSpec.indexOf(u']');
        if (close < 0 || (close + 1 < hostSpec.size() && hostSpec[close + 1] != u':'))
            return Refusal { QStringLiteral("服务器地址里的主机 %1 不对。").arg(authority) };
        if (close + 1 < hostSpec.size())
            portSpec = hostSpec.sliced(close + 2);
        hostSpec = hostSpec.sliced(1, close - 1);
        if (hostSpec.isEmpty())
            return Refusal { QStringLiteral("服务器地址里的主机 %1 不对。").arg(authority) };
    } else if (const qsizetype colon = hostSpec.lastIndexOf(u':'); colon >= 0) {
        portSpec = hostSpec.sliced(colon + 1);
        hostSpec = hostSpec.first(colon);
    }
    const std::optional<QString> host = decoded(hostSpec);
    if (!host)
        return unreadable(hostSpec);
    address.m_host = *host;
    if (!portSpec.isNull() && !isPort(portSpec.toString(), &address.m_port))
        return Refusal { QStringLiteral("服务器地址里的端口 %1 不对,应是 1 到 65535 之间的数。").arg(portSpec) };

    if (!path.isEmpty()) {
        const std::optional<QString> database = decoded(path.sliced(1));
        if (!database)
            return unreadable(path);
        address.m_database = *database;
    }

    for (const QStringView pair : query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(u'=');
        const std::optional<QString> key = decoded(equals < 0 ? pair : pair.first(equals));
        const std::optional<QString> value = decoded(equals < 0 ? QStringView() : pair.sliced(equals + 1));
        if (!key || !value)
            return unreadable(pair);
        if (*key == u"password")
            return passwordRefusal();
        if (value->isEmpty())
            return Refusal { QStringLiteral("服务器地址里的参数 %1 没有值。").arg(*key) };
        if (value->contains(u';'))
            return Refusal { QStringLiteral("服务器地址里的参数 %1 不能含分号。").arg(*key) };
        std::optional<Refusal> twice;
        if (*key == u"host") {
            twice = setOnce(address.m_host, *value, *key);
        } else if (*key == u"user") {
            twice = setOnce(address.m_user, *value, *key);
        } else if (*key == u"dbname") {
            twice = setOnce(address.m_database, *value, *key);
        } else if (*key == u"port") {
            int port = 0;
            if (!isPort(*value, &port))
                return Refusal { QStringLiteral("服务器地址里的端口 %1 不对,应是 1 到 65535 之间的数。").arg(*value) };
            if (address.m_port != 0 && address.m_port != port)
                return Refusal { QStringLiteral("服务器地址里的 port 写了两次。") };
            address.m_port = port;
        } else if (KnownOptions.contains(*key)) {
            if (*key == u"sslmode" && !SslModes.contains(*value))
                return Refusal { QStringLiteral(
                    "sslmode 只能是 disable、allow、prefer、require、verify-ca 或 verify-full。") };
            for (const auto& option : std::as_const(address.m_options)) {
                if (option.first == *key)
                    return Refusal { QStringLiteral("服务器地址里的 %1 写了两次。").arg(*key) };
            }
            address.m_options.append({ *key, *value });
        } else {
            return Refusal { QStringLiteral("服务器地址里有不认识的参数 %1。").arg(*key) };
        }
        if (twice)
            return *twice;
    }

    if (address.m_host.contains(u','))
        return Refusal { QStringLiteral("服务器地址只能写一台服务器。") };
    if (address.m_database.isEmpty())
        return Refusal { QStringLiteral("服务器地址里缺少数据库名,例如 %1").arg(Example) };
    return address;
}

ServerAddress ServerAddress::withDatabase(const QString& database) const
{
    ServerAddress other = *this;
    other.m_database = database;
    return other;
}

QString ServerAddress::url() const
{
    QString url = QStringLiteral("postgresql://");
    if (!m_user.isEmpty())
        url += encoded(m_user) + u'@';
    if (m_host.contains(u':') && !m_host.startsWith(u'/'))
        url += u'[' + m_host + u']'; // an IPv6 address
    else
        url += encoded(m_host);
    if (m_port != 0)
        url += u':' + QString::number(m_port);
    url += u'/' + encoded(m_database);
    QStringList parameters;
    for (const auto& [key, value] : m_options)
        parameters << key + u'=' + encoded(value);
    if (!parameters.isEmpty())
        url += u'?' + parameters.join(u'&');
    return url;
}

void ServerAddress::configure(QSqlDatabase& connection) const
{
    connection.setHostName(m_host);
    connection.setPort(m_port != 0 ? m_port : -1);
    connection.setDatabaseName(m_database);
    connection.setUserName(m_user);
    QStringList options;
    for (const auto& [key, value] : m_options)
        options << key + u'=' + quotedOption(value);
    connection.setConnectOptions(options.join(u';'));
}

namespace ServerAddressFile {

namespace {

QString pathIn(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(FileName.toString());
}

} // namespace

Outcome<std::optional<ServerAddress>> read(const QString& dataFolder)
{
    const QString path = pathIn(dataFolder);
    const std::optional<QByteArray> bytes = DurableFile::readRegular(path, 64 * 1024);
    if (!bytes) {
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return std::optional<ServerAddress>();
        return Refusal { QStringLiteral("无法读取 %1。").arg(QDir::toNativeSeparators(path)) };
    }
    static const QRegularExpression line(
        QStringLiteral("^\\s*address\\s*=\\s*\"?([^\"\\r\\n]*?)\"?\\s*$"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromUtf8(*bytes));
    if (!match.hasMatch())
        return Refusal {
            QStringLiteral("%1 里没有服务器地址(address=postgresql://…)。").arg(QDir::toNativeSeparators(path))
        };
    Outcome<ServerAddress> address = ServerAddress::parse(match.captured(1));
    if (!address)
        return Refusal {
            QStringLiteral("%1 里的服务器地址不对:%2").arg(QDir::toNativeSeparators(path), address.text())
        };
    return std::optional<ServerAddress>(std::move(address).value());
}

Outcome<> write(const QString& dataFolder, const ServerAddress& address)
{
    const QString path = pathIn(dataFolder);
    const QByteArray text = QStringLiteral("[server]\naddress=%1\n").arg(address.url()).toUtf8();
    if (!DurableFile::replace(path, text))
        return Failure { QStringLiteral("无法写入 %1。").arg(QDir::toNativeSeparators(path)) };
    return {};
}

} // namespace ServerAddressFile
