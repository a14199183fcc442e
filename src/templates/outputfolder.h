#pragma once

#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// The file work of a generation run: a fresh output folder, the copied template, the page.
namespace outputfolder {

// `name` made usable as one folder name on every system the program runs on: the characters a
// Windows file name cannot hold (\ / : * ? " < > | and control characters) become "_", as do the
// trailing dots and spaces Windows would drop, a name made only of dots, and a device name such
// as CON gets a "_" in front; DEL, C1 controls and the bidirectional controls that would make the
// name read as another ("裙子" U+202E "gpj.exe" shows as "裙子exe.jpg") are dropped. Nothing in the
// result can reach outside the folder it is made in.
QString safeName(QStringView name);

// Makes sure `root` is a folder, creating it and any missing folder above it. Returns empty text,
// or the reason it is not a usable folder.
QString ensureRoot(const QString &root);

// Creates root/baseName, or root/baseName_2, _3, ... when that name is taken, so an earlier
// output is never mixed into. Returns the created path ('/' separators), or empty text with
// `reason` set.
QString createFresh(const QString &root, const QString &baseName, QString *reason);

// Copies the regular files and folders below `source` into `target` (created when missing);
// files already at the target are replaced and every copy is left writable. Links (symbolic
// links, junctions, shortcuts), to files or folders, inside the folder or out of it, are neither
// followed nor copied: nothing outside `source` is ever read. Their paths relative to `source`
// ('/' separators, in copy order) go to `skippedLinks` when given. Returns false when any file or
// folder could not be copied; the rest is copied all the same.
// `onFile`, when given, is called after each file with the number copied so far; returning false
// stops the copy there (the result is then false). It runs on the copying thread.
bool copyTree(const QString &source, const QString &target, QStringList *skippedLinks = nullptr,
              const std::function<bool(int)> &onFile = {});

// Writes the file whole or not at all: a crash, a failed write or a full disk leaves any earlier
// file intact and returns false.
bool writeWhole(const QString &path, const QByteArray &bytes);

} // namespace outputfolder
