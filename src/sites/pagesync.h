#pragma once

#include <QString>

// Bringing a page folder of a lasting site up to date from a freshly generated one, touching only
// what changed: a file whose bytes are the same is not written, so its time stays and an
// incremental upload skips it.
namespace pagesync {

struct Outcome
{
    int written = 0; // files replaced or added
    int removed = 0; // files no longer in the page
    bool ok = true;  // false when a file could not be written or removed (it is left as it was)

    bool changed() const { return written > 0 || removed > 0; }
};

// Makes `target` hold exactly the regular files of `source`. Each file is replaced whole (written
// beside, then renamed over it), and the page's own index.htm last, so an interruption at any
// point leaves the page as it was or as it is now, never half written.
Outcome syncFolder(const QString &source, const QString &target);

// Writes `bytes` to `path` unless the file already holds exactly them. True when the file holds
// them afterwards; `written` tells whether it was written.
bool writeIfChanged(const QString &path, const QByteArray &bytes, bool *written = nullptr);

} // namespace pagesync
