#pragma once

#include <QComboBox>
#include <QString>
#include <QWebEnginePage>

#include "browserpane.h"
#include "eventwait.h"
#include "form1.h"

// Reading the window's pane and picking a template as the window's tests do.
namespace windowtest {

// What the pane shows, as text or as markup; waits for the page's answer in a real event loop.
inline QString paneText(BrowserPane *pane, bool markup = false)
{
    QString text;
    bool done = false;
    const auto take = [&](const QString &result) {
        text = result;
        done = true;
    };
    if (markup)
        pane->page()->toHtml(take);
    else
        pane->page()->toPlainText(take);
    if (!eventwait::until([&] { return done; }, 10000))
        return u"(no answer from the page)"_qs;
    return text;
}

inline QString paneHtml(BrowserPane *pane)
{
    return paneText(pane, true);
}

// Picks `name` in the template list as a click would; false when the list has no such entry.
inline bool pickTemplate(Form1 &form, const QString &name)
{
    auto *combo = form.findChild<QComboBox *>(u"Combo1"_qs);
    const int index = combo->findText(name);
    if (index < 0)
        return false;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

} // namespace windowtest
