#pragma once

#include <optional>

#include <QString>

// Secrets (a publish password, say) in the system keyring through QtKeychain. Where no keyring
// service runs (a server, CI) they go to a file only the user can read, which the caller names and
// which must lie outside anything published; once a keyring is there, reading moves the secret
// into it and removes the file.
namespace secretstore {

enum class Place { Keyring, File, Nowhere };

// Stores `secret` under `key`; where it went (Nowhere: it could not be stored).
Place store(const QString &key, const QString &secret, const QString &fallbackFile);

// The secret stored under `key`, or nothing.
std::optional<QString> read(const QString &key, const QString &fallbackFile);

// Removes it from both places.
void remove(const QString &key, const QString &fallbackFile);

// The keyring alone, for a secret whose fallback its owner keeps itself (an entry of a settings
// file). Each is false or empty where no keyring answers.
bool toKeyring(const QString &key, const QString &secret);
std::optional<QString> fromKeyring(const QString &key);
bool removeFromKeyring(const QString &key);

} // namespace secretstore
