#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>

// The template library: the subfolders of the templates folder, and their previews.

// The entries of the template list: the names of the visible subfolders of `路径`, sorted by name
// with case ignored (the order a Windows listing gives), or the single "暂无模板" when there are
// none or the folder cannot be listed.
QStringList zairumoban(const QString &路径);

// The template list drawn from several templates folders (the shipped ones and the user's own):
// every visible subfolder name of any of them, once, sorted the same way; "暂无模板" when there
// are none.
QStringList zairumoban(const QStringList &roots);

// A template is named by one plain folder name, as the template list shows it: no separator, no
// drive, not made only of dots and spaces (which would name a templates folder itself or the one
// above it). Anything else could reach a folder anywhere on the disk.
bool isPlainTemplateName(const QString &name);

// The folder of the template `name`: in the last of `roots` that holds it as a visible folder, so
// the user's own template wins over a shipped one of the same name; in the first root when none
// holds it (a run then finds no template file there). Empty roots are passed over. Empty text
// for a name that is not plain.
QString findTemplateFolder(const QStringList &roots, const QString &name);

// The template file of the template `name` when it is present; empty text otherwise, and for a
// name that is not plain.
QString findTemplateFile(const QStringList &roots, const QString &name);

// The text of the template's "首页模板.htm" (see templateformat.h), decoded; empty when the
// template has none.
QString readIndexTemplate(const QStringList &roots, const QString &name);

// Where the pane goes when the user picks `name`: "about:无模板" for the placeholder entry, the
// template's preview file when it is present, else the page saying the template has no preview.
QString previewAddress(const QString &templateRoot, const QString &name);
QString previewAddress(const QStringList &roots, const QString &name);

// Hidden (and, on Windows, system) entries count as absent everywhere in the library.
bool isHiddenEntry(const QFileInfo &info);

// An ordinary, visible file of that name exists.
bool isPresentFile(const QString &path);
