#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QPair>
#include <QStringList>

#include "cancellation.h"
#include "formport.h"

// A window stand-in that records what the core asks of it. Its inputs can change when the item
// request goes out (`onRequest`) or any page is shown (`onPage`), as a user's edits would while the
// run waits. Once `cancel` is cancelled (the window closed), every further call is counted in
// callsWhileClosing.
class FakeForm final : public FormPort
{
public:
    QString keyword = u"连衣裙"_qs;
    QString pid = u"30571968"_qs;
    QString count = u"10"_qs;
    QString tmpl = u"网格"_qs;
    QString sort = u"30天支出佣金从高到低"_qs;
    int shortLinks = 0;
    // Shared, so that a fresh fake can be assigned; each fresh fake has its own.
    std::shared_ptr<net::Cancellation> cancel = std::make_shared<net::Cancellation>();
    std::function<void(FakeForm &)> onRequest;
    std::function<void(FakeForm &, const QString &)> onPage;

    QStringList pages;
    QStringList messages;
    QList<QPair<bool, QString>> commands;
    std::shared_ptr<const RunState> run; // of the success page
    mutable QStringList inputReads;      // which box was read, in order
    mutable int callsWhileClosing = 0;

    QString keywordText() const override { return read(u"Text1"_qs, keyword); }
    QString pidText() const override { return read(u"Text2"_qs, pid); }
    QString countText() const override { return read(u"Text3"_qs, count); }
    QString templateName() const override { return read(u"Combo1"_qs, tmpl); }
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
        if (onRequest && address.contains(u"正在通过api接口获取商品数据"_qs))
            onRequest(*this);
        if (onPage)
            onPage(*this, address);
    }
    void showMessage(const QString &text, const QString &) override
    {
        touch();
        messages.append(text);
    }
    void setGenerateCommand(bool enabled, const QString &caption) override
    {
        touch();
        commands.append({enabled, caption});
    }
    void showResult(const QString &page, const std::shared_ptr<const RunState> &result) override
    {
        run = result;
        navigate(page);
    }

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
