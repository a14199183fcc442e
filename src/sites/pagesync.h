#pragma once

#include <optional>

#include <QSet>
#include <QString>
#include <QStringList>

// Bringing a page folder of a lasting site up to date from a freshly generated one, touching only
// what changed: a file whose bytes are the same keeps its time, so an incremental upload skips it.
namespace pagesync {

struct Outcome
{
    int written = 0;   // files replaced or added
    int removed = 0;   // files no longer in the page
    bool ok = true;    // false when the page could not be brought up to date (it is left as it was)
    QStringList kept;  // files and links in the page folder that the program did not write, kept
    QStringList files; // the new page's files, relative to its folder: what the program wrote there

    bool changed() const { return written > 0 || removed > 0; }
};

// Makes `target` the page generated in `source`, whole or not at all: `source` is completed into
// the new page (files whose bytes are the same keep their old time, and whatever else `target`
// holds is carried over untouched, unless `ours` says the program wrote it there: a file a template
// no longer has goes; with `ours` unknown, everything is the user's) and then takes `target`'s place in one
// rename, so an interruption at any point leaves the old page or the new one. `target` being a
// link, the link is replaced, and nothing is written or deleted through it. A `source` that is
// missing or has no page (index.htm) changes nothing and is not ok. An unchanged page is left
// alone. `source` is used up: it must lie on the same file system, in a staging folder that is
// removed afterwards.
Outcome syncFolder(const QString &source, const QString &target,
                   const std::optional<QSet<QString>> &ours = std::nullopt);

// Takes a page off: the files `ours` names go, the user's stay (listed in the outcome's `kept`),
// and the folder goes too when nothing is left in it. With `ours` unknown the folder goes whole.
// A link in the page's place is removed as a link.
Outcome removePage(const QString &target, const std::optional<QSet<QString>> &ours);

// Writes `bytes` to `path` unless the file already holds exactly them. True when the file holds
// them afterwards; `written` tells whether it was written. A link at `path` is replaced by the
// file, never written through.
bool writeIfChanged(const QString &path, const QByteArray &bytes, bool *written = nullptr);

// Removes `path`: a folder with everything in it, a link or a file as itself. Links inside are
// removed, never followed. False when something could not be removed.
bool removeTree(const QString &path);

} // namespace pagesync
