#pragma once

#include <QString>

class QTextStream;

// How a batch shows its progress on stderr: on a terminal one bar over the keywords, redrawn in
// place, with failures and notes printed above it; elsewhere (a log, cron) one line per keyword.
// Control characters in keywords and reasons are dropped: they come from files and services.
class ProgressLine
{
public:
    ProgressLine(QTextStream &err, bool terminal, int total);

    void started(const QString &keyword);
    void finished(int done, const QString &keyword, const QString &text, bool written);
    void note(const QString &text);
    // Ends the bar's line.
    void done();

    // The bar as drawn: "[#####-----]  12/100  连衣裙", at most `width` columns.
    static QString bar(int done, int total, const QString &current, int width = 72);

private:
    void print(const QString &line);
    void redraw();

    QTextStream &m_err;
    const bool m_terminal;
    const int m_total;
    int m_done = 0;
    QString m_current;
    bool m_drawn = false;
};
