#pragma once

#include <QByteArrayView>
#include <QString>

// Replaces the file at `path` with `bytes`, or leaves it as it was. Every write and the final
// flush are checked before the new file takes the old one's place: on a full disk the writes
// that fit the buffer only fail when it is flushed, and a commit after that would put a cut file
// in place of a whole one. Returns false when the file was not replaced.
bool writeWholeFile(const QString &path, QByteArrayView bytes);
