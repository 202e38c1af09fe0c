#include "users/PasswordHash.h"

#include <QAtomicInt>
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

QAtomicInt verifications;

// A hash of the kind hash() makes, of a text nobody types. Its cost parameters must stay those
// of hash(), or a login with an unknown account would take another time.
static_assert(crypto_pwhash_OPSLIMIT_INTERACTIVE == 2 && crypto_pwhash_MEMLIMIT_INTERACTIVE == 65536 * 1024);
constexpr char UnknownAccountHash[]
    = "$argon2id$v=19$m=65536,t=2,p=1$gj9EW+zh9M57O+121pmXCA$DVPu0HFHXhpBa3Nm5yatB831h+R/tKD4sTehLIUG48A";

bool verifyHashed(const QByteArray& hashed, const QString& password)
{
    verifications.fetchAndAddRelaxed(1);
    if (!sodiumReady())
        return false;
    const QByteArray secret = password.toUtf8();
    return crypto_pwhash_str_verify(
               hashed.constData(), secret.constData(), static_cast<unsigned long long>(secret.size()))
        == 0;
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
    if (!looksHashed(stored)) {
        verifyUnknown(password);
        return stored == password;
    }
    return verifyHashed(stored.toLatin1(), password);
}

bool verifyUnknown(const QString& password)
{
    verifyHashed(QByteArray(UnknownAccountHash), password);
    return false;
}

int verificationCount()
{
    return verifications.loadRelaxed();
}

bool looksHashed(const QString& stored)
{
    static const QRegularExpression form(
        QStringLiteral("^\\$argon2id\\$v=\\d+\\$m=\\d+,t=\\d+,p=\\d+\\$[A-Za-z0-9+/]+\\$[A-Za-z0-9+/]+$"));
    return stored.size() < crypto_pwhash_STRBYTES && form.match(stored).hasMatch();
}

} // namespace PasswordHash
