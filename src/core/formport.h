#pragma once

#include <memory>

#include <QString>

struct RunState;

// What the core asks of whatever drives a generation run: the main window, the command line or
// one keyword of a batch. Form1 implements it; tests use a recording fake.
// The inputs are read at the moment of the call: the window stays responsive while a run waits
// for the network, so the user may have changed them since the run began.
class FormPort
{
public:
    virtual ~FormPort() = default;

    virtual QString keywordText() const = 0;  // Text1
    virtual QString pidText() const = 0;      // Text2
    virtual QString countText() const = 0;    // Text3
    virtual QString templateName() const = 0; // Combo1's text
    virtual QString sortText() const = 0;     // Combo2's text
    virtual int shortLinkState() const = 0;   // Check1: 0 not ticked, 1 ticked, 2 greyed

    // Sends the browser pane to an address: "about:" + HTML, a web address or a local path.
    virtual void navigate(const QString &address) = 0;
    // A modal box with one OK button and no icon; an empty title means the application title.
    virtual void showMessage(const QString &text, const QString &title = QString()) = 0;
    // The generate command: enabled with "开始生成" when idle, disabled with "生成中..." in a run.
    virtual void setGenerateCommand(bool enabled, const QString &caption) = 0;
    // Shows `page`, the success page of the finished run `run`. Its links act on that run, also
    // when the page is shown again later.
    virtual void showResult(const QString &page, const std::shared_ptr<const RunState> &run) = 0;
};
