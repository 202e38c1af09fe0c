#pragma once

#include <QString>

// Passwords are kept as Argon2id hashes in the account tables ("$argon2id$v=19$m=…"), so the
// database file never holds a password a person typed.
namespace PasswordHash {

// The hash of `password`; empty when hashing failed (out of memory).
QString hash(const QString& password);

// Whether `password` is the one `stored` was made from. A stored value that is not a hash yet
// (a database made before passwords were hashed) is compared as plain text.
bool verify(const QString& stored, const QString& password);

// Whether `stored` has the form of a hash this program writes.
bool looksHashed(const QString& stored);

} // namespace PasswordHash
