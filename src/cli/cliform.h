#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "formport.h"

// The window as the command line stands in for it: inputs fixed before the run, each status page
// reported as one line of text (without advice to click a command it does not have), a message
// box kept as the refusal it is, the success page's run kept for its folder.
class CliForm final : public FormPort
{
public:
    struct Inputs
    {
        QString keyword;
        QString pid;
        QString count;
        QString templateName;
        QString sortText;
        int shortLinkState = 0;
    };

    using LineSink = std::function<void(const QString &)>;

    CliForm(const Inputs &inputs, LineSink progress);

    QString keywordText() const override { return m_inputs.keyword; }
    QString pidText() const override { return m_inputs.pid; }
    QString countText() const override { return m_inputs.count; }
    QString templateName() const override { return m_inputs.templateName; }
    QString sortText() const override { return m_inputs.sortText; }
    int shortLinkState() const override { return m_inputs.shortLinkState; }

    void navigate(const QString &address) override;
    void showMessage(const QString &text, const QString &title = QString()) override;
    void setGenerateCommand(bool, const QString &) override {}
    void showResult(const QString &page, const std::shared_ptr<const RunState> &run) override;

    // The refusal the run showed in a message box; empty when there was none.
    const QString &message() const { return m_message; }
    // The text of the last status page.
    const QString &lastStatus() const { return m_lastStatus; }
    const std::shared_ptr<const RunState> &run() const { return m_run; }

private:
    Inputs m_inputs;
    LineSink m_progress;
    QString m_message;
    QString m_lastStatus;
    std::shared_ptr<const RunState> m_run;
};
