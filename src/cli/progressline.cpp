#include "progressline.h"

#include <QTextStream>

#include "textops.h"

namespace {

constexpr int barCells = 30;

// Columns a character takes on a terminal: East Asian wide characters take two.
int columns(QChar c)
{
    const char16_t u = c.unicode();
    const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                      (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                      (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                      (u >= 0xFFE0 && u <= 0xFFE6);
    return wide ? 2 : 1;
}

QString clipped(const QString &text, int width)
{
    QString out;
    int used = 0;
    for (const QChar c : text) {
        if (c.isLowSurrogate())
            continue;
        const int w = columns(c);
        if (used + w > width)
            break;
        out += c.isHighSurrogate() ? QChar(u'?') : c;
        used += w;
    }
    return out;
}

} // namespace

ProgressLine::ProgressLine(QTextStream &err, bool terminal, int total)
    : m_err(err)
    , m_terminal(terminal)
    , m_total(total)
{
}

QString ProgressLine::bar(int done, int total, const QString &current, int width)
{
    const int filled = total > 0 ? int(qint64(barCells) * done / total) : barCells;
    const QString counts =
        QString::number(done).rightJustified(QString::number(total).size()) + u'/' + QString::number(total);
    QString line = u'[' + QString(filled, u'#') + QString(barCells - filled, u'-') + u"] "_qs + counts;
    if (!current.isEmpty()) {
        line += u"  "_qs;
        line += clipped(current, std::max(0, width - int(line.size())));
    }
    return line;
}

void ProgressLine::started(const QString &keyword)
{
    m_current = textops::withoutControls(keyword);
    if (m_terminal)
        redraw();
}

void ProgressLine::finished(int done, const QString &keyword, const QString &text, bool written)
{
    m_done = done;
    const QString line = textops::withoutControls(QString(keyword + u": "_qs + text));
    if (!m_terminal) {
        m_err << u'[' << done << u'/' << m_total << u"] "_qs << line << Qt::endl;
        return;
    }
    // On a terminal only what needs a look stays on screen; the bar counts the rest.
    if (!written)
        print(line);
    redraw();
}

void ProgressLine::note(const QString &text)
{
    if (m_terminal)
        print(text);
    else
        m_err << text << Qt::endl;
}

void ProgressLine::done()
{
    if (m_terminal && m_drawn) {
        m_err << u'\r' << bar(m_done, m_total, QString()) << u"\x1b[K\n"_qs << Qt::flush;
        m_drawn = false;
    }
}

void ProgressLine::print(const QString &line)
{
    if (m_drawn)
        m_err << u"\r\x1b[K"_qs;
    m_err << line << u'\n';
    m_drawn = false;
}

void ProgressLine::redraw()
{
    m_err << u'\r' << bar(m_done, m_total, m_current) << u"\x1b[K"_qs << Qt::flush;
    m_drawn = true;
}
