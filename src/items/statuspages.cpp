#include "statuspages.h"

namespace statuspages {

QString requesting()
{
    return u"about:<br/><br/><br/><br/><br/><br/><br/><center><b>正在通过api接口获取商品数据....</b>"_qs;
}

QString timedOut()
{
    return u"about:<br/><br/><br/><br/><br/><br/><br/><center>通过api接口获取商品数据超时,请点击开始生成按钮重新尝试生成..."_qs;
}

QString failed()
{
    return u"about:<br/><br/><br/><br/><br/><br/><br/><center>通过api接口获取商品数据失败,请点击开始生成按钮重新尝试生成..."_qs;
}

QString generating()
{
    return u"about:<br/><br/><br/><br/><br/><br/><br/><center>根据api接口获取到的商品数据生成淘宝客单页..."_qs;
}

QString completed()
{
    return u"about:<br/><br/><br/><br/><br/><br/><br/><center>商品数据获取完毕..."_qs;
}

QString linkShortened(const QString &title, bool shopLink)
{
    // The title goes in as the reply gave it: it may carry the keyword's highlighting markup.
    return u"about:<center><br/><br/><br/>正在将商品<"_qs + title +
           (shopLink ? u">的店铺推广地址转换为短网址..."_qs : u">的推广地址转换为短网址..."_qs);
}

} // namespace statuspages
