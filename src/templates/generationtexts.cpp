#include "generationtexts.h"

namespace generationtexts {

QString noPreviewPage(const QString &templateName)
{
    return u"about:模板<" % templateName % u">暂无预览";
}

QString successPage(const QString &folder, const QStringList &skippedLinks)
{
    // The folder holds the keyword: text, like everything from outside on a page.
    QString page = u"about:<center><br/><br/><br/><b>单页生成成功,已保存到【" % folder.toHtmlEscaped() %
                   u"】文件夹</b><br/><br/><br/><br/>"
                   u"<a href=\"minglin1.htm\">查看生成的单页文件</a><br/><br/>"
                   u"<a href=\"minglin2.htm\">预览生成的单页效果</a><br/><br/>"
                   u"<a href=\"minglin3.htm\">将单页源码复制到剪切板</a>";
    if (!skippedLinks.isEmpty())
        page += u"<br/><br/>模板文件夹中的链接没有复制: "_qs + skippedLinks.join(u"、"_qs).toHtmlEscaped();
    return page;
}

QString copyingPage(int filesCopied)
{
    return u"about:<br/><br/><br/><br/><br/><br/><br/><center>正在复制模板文件,已复制" %
           QString::number(filesCopied) % u"个文件...";
}

QString failurePage(const QString &folder, QStringView reason)
{
    return u"about:<center><br/><br/><br/><b>单页生成失败,未能保存到【" % folder.toHtmlEscaped() %
           u"】文件夹</b><br/><br/>" % reason % u"<br/><br/>请检查后点击开始生成按钮重新生成...</center>";
}

} // namespace generationtexts
