#pragma once

#include <QString>

// `root` joined with `name`, whether or not `root` ends with a separator.
QString joinPath(const QString &root, const QString &name);
