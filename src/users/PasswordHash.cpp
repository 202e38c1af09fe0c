#include "users/PasswordHash.h"

#include <QByteArray>
#include <QRegularExpression>

#include <sodium.h>

namespace PasswordHash {

namespace {

bool sodiumReady()
{
    // sodium_init() returns 1 when it ran before, which is as good as 0.
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace

QString hash(const QString& password)
{
    if (!sodiumReady())
        return {};
    const QByteArray secret = password.toUtf8();
    char stored[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(stored, secret.constData(), static_cast<unsigned long long>(secret.size()),
            crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        return {};
    return QString::fromLatin1(stored);
}

bool verify(const QString& stored, const QString& password)
{
    if (!looksHashed(stored))
        return stored == password;
    if (!sodiumReady())
        return false;
    const QByteArray hashed = stored.toLatin1();
    const QByteArray secret = password.toUtf8();
    return crypto_pwhash_str_verify(
               hashed.constData(), secret.constData(), static_cast<unsigned long long>(secret.size()))
        == 0;
}

bool looksHashed(const QString& stored)
{
    static const QRegularExpression form(
        QStringLiteral("^\\$argon2id\\$v=\\d+\\$m=\\d+,t=\\d+,p=\\d+\\$[A-Za-z0-9+/]+\\$[A-Za-z0-9+/]+$"));
    return stored.size() < crypto_pwhash_STRBYTES && form.match(stored).hasMatch();
}

} // namespace PasswordHash
