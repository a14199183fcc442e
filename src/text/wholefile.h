#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Replaces the file at `path` with `bytes`, or leaves it as it was. Every write and the final
// flush are checked before the new file takes the old one's place: on a full disk the writes
// that fit the buffer only fail when it is flushed, and a commit after that would put a cut file
// in place of a whole one. Returns false when the file was not replaced.
bool writeWholeFile(const QString &path, QByteArrayView bytes);

// The bytes of the regular file at `path` (a link to one is followed), or nothing when it cannot
// be read, is no regular file (a FIFO, a device, a folder) or holds more than `maxBytes`. Never
// waits on a FIFO and never reads more than `maxBytes` plus one.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 maxBytes);
