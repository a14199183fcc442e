#pragma once

#include <memory>

#include <QStringList>

#include "cancellation.h"
#include "formport.h"

// A window stand-in that records what the core asks of it. Once `cancel` is cancelled (the
// window closed), every further call is counted in callsWhileClosing.
class FakeForm final : public FormPort
{
public:
    QString keyword = u"连衣裙"_qs;
    QString pid = u"30571968"_qs;
    QString count = u"10"_qs;
    QString templ = u"默认"_qs;
    QString sort = u"30天支出佣金从高到低"_qs;
    int shortLinks = 0;
    // Shared, so that a fresh fake can be assigned; each fresh fake has its own.
    std::shared_ptr<net::Cancellation> cancel = std::make_shared<net::Cancellation>();

    QStringList pages;
    mutable QStringList inputReads; // which box was read, in order
    int messages = 0;
    mutable int callsWhileClosing = 0;

    QString keywordText() const override { return read(u"Text1"_qs, keyword); }
    QString pidText() const override { return read(u"Text2"_qs, pid); }
    QString countText() const override { return read(u"Text3"_qs, count); }
    QString templateName() const override { return read(u"Combo1"_qs, templ); }
    QString sortText() const override { return read(u"Combo2"_qs, sort); }
    int shortLinkState() const override
    {
        touch();
        return shortLinks;
    }
    void navigate(const QString &address) override
    {
        touch();
        pages.append(address);
    }
    void showMessage(const QString &, const QString &) override
    {
        touch();
        ++messages;
    }
    void setGenerateCommand(bool, const QString &) override { touch(); }
    void showResult(const QString &page, const std::shared_ptr<const RunState> &) override { navigate(page); }

private:
    void touch() const
    {
        if (cancel->isCancelled())
            ++callsWhileClosing;
    }
    QString read(const QString &box, const QString &value) const
    {
        touch();
        inputReads.append(box);
        return value;
    }
};
