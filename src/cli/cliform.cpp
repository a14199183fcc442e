#include "cliform.h"

#include "statustext.h"
#include "textops.h"

CliForm::CliForm(const Inputs &inputs, LineSink progress)
    : m_inputs(inputs)
    , m_progress(std::move(progress))
{
}

void CliForm::navigate(const QString &address)
{
    // The page just written is opened in the window's pane; here the folder is printed instead.
    if (!address.startsWith(u"about:"))
        return;
    // A status page may carry a service's own words: nothing in them may reach the terminal as
    // a control sequence.
    const QString text =
        textops::withoutControls(statustext::withoutCommandAdvice(statustext::plainText(address)));
    if (text.isEmpty())
        return;
    m_lastStatus = text;
    if (m_progress)
        m_progress(text);
}

void CliForm::showMessage(const QString &text, const QString &)
{
    m_message = text;
}

void CliForm::showResult(const QString &page, const std::shared_ptr<const RunState> &run)
{
    m_run = run;
    navigate(page);
}
