#include "cliform.h"

#include "statustext.h"

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
    const QString text = statustext::plainText(address);
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
