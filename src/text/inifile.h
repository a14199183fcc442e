#pragma once

#include <QString>

// The settings file: an INI file in GBK, read and written the way the Windows profile functions
// treat one. Section and key names match without regard to case; a value is replaced in place;
// a new entry goes to the end of its section; a missing section or file is created; every other
// line stays as it was. A file saved as UTF-8 or UTF-16 with a byte-order mark is read too, and
// written back as GBK.

// The stored value, cut to 143 GBK bytes on a character boundary. A missing or empty entry
// stores `defaultValue` and returns it.
QString ReadIni(const QString &section, const QString &key, const QString &defaultValue, const QString &path);

// Stores one entry. The file is replaced as a whole only once the new content is safely on
// disk, so a crash or a full disk never leaves it half-written. Returns false when nothing could
// be stored.
bool WriteIni(const QString &section, const QString &key, const QString &value, const QString &path);
