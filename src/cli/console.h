#pragma once

#include <QString>
#include <QTextStream>

#include "textops.h"

// Where a command of taoyefang-cli speaks. Internal to the command line.
namespace cli {

inline const QString programName = u"taoyefang-cli"_qs;

struct Console
{
    QTextStream &out;
    QTextStream &err;

    // Messages quote files, names and services: no control sequence of theirs reaches the terminal.
    void error(const QString &text) const
    {
        err << programName << u": "_qs << textops::withoutControls(text) << Qt::endl;
    }
};

} // namespace cli
