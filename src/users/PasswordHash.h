#pragma once

#include <QString>

// Passwords are kept as Argon2id hashes in the account tables ("$argon2id$v=19$m=…"), so the
// database file never holds a password a person typed.
namespace PasswordHash {

// The hash of `password`; empty when hashing failed (out of memory).
QString hash(const QString& password);

// Whether `password` is the one `stored` was made from. A stored value that is not a hash yet
// (a database made before passwords were hashed) is compared as plain text. Every call
// computes one hash, whatever `stored` holds.
bool verify(const QString& stored, const QString& password);

// Computes the hash a verify() computes, against a hash no password was made from, and fails:
// a login with an unknown account takes as long as a wrong password of a known one, so the
// time it takes tells nobody which accounts exist.
bool verifyUnknown(const QString& password);

// How many hashes verify() and verifyUnknown() have computed in this process (for tests).
int verificationCount();

// Whether `stored` has the form of a hash this program writes.
bool looksHashed(const QString& stored);

} // namespace PasswordHash
