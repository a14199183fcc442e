#include "joinpath.h"

#include <QDir>

QString joinPath(const QString &root, const QString &name)
{
    if (root.isEmpty() || root.endsWith(u'/') || root.endsWith(QDir::separator()))
        return root + name;
    return root + u'/' + name;
}
