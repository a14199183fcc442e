<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="description" content="淘页坊模板制作：模板文件夹、标记与占位符、完整示例。">
<title>模板制作 - 淘页坊</title>
<link rel="stylesheet" href="style.css">
<link rel="icon" href="logo.svg" type="image/svg+xml">
</head>
<body>
<header class="site-header">
  <div class="bar">
    <a class="brand" href="./">
      <img src="logo.svg" alt="" width="40" height="40">
      <span class="name">淘页坊<span class="tag">淘宝客单页生成工具</span></span>
      <span class="ver">版本 2.1.0</span>
    </a>
    <nav class="site-nav" aria-label="帮助导航">
        <a href="./">首页</a>
        <a href="bangzhu.php">使用说明</a>
        <a href="moban.php" class="current" aria-current="page">模板制作</a>
        <a href="guanwang.php">官网网站</a>
        <a href="zuozhe.php">作者博客</a>
        <a href="jianyi.php">意见建议</a>
    </nav>
  </div>
</header>

<main class="page">
<section class="card">
  <h1>模板制作</h1>
  <p class="lead">模板决定生成页面的样子。它就是一个普通的网页，只是在需要放商品数据的地方写上占位符。会写一点 HTML 和 CSS，就能做出自己的模板。</p>
  <ol class="toc">
    <li><a href="#folder">模板文件夹</a></li>
    <li><a href="#encoding">文件编码</a></li>
    <li><a href="#markers">关键词与循环标记</a></li>
    <li><a href="#placeholders">九个商品占位符</a>
      <ul><li><a href="#metadata">4.1 页面信息占位符</a></li><li><a href="#index">4.2 站点首页模板</a></li></ul></li>
    <li><a href="#credit">信用等级图片</a></li>
    <li><a href="#refusals">模板检查与提示</a></li>
    <li><a href="#example">完整示例</a></li>
    <li><a href="#tips">制作步骤与小贴士</a></li>
  </ol>
</section>

<section class="card" id="folder">
  <h2>1. 模板文件夹</h2>
  <p>每个模板是<span data-place="templates">程序目录下 <code>模板</code></span> 文件夹中的一个子文件夹，<strong>文件夹名就是模板名</strong>，显示在窗口的“模板”下拉列表中。自己制作的模板放进 <span data-place="user-templates"><code>模板</code></span>。</p>
  <pre><code>模板\
  经典网格\
    模板文件.htm     <span class="c">← 必需：带标记的页面模板</span>
    效果预览.htm     <span class="c">← 可选：选中模板时显示的预览页</span>
    首页模板.htm     <span class="c">← 可选：站点首页（index.htm）的模板</span>
    style.css        <span class="c">← 其他文件：样式、图片、脚本等</span>
    images\...</code></pre>
  <div class="table-wrap">
  <table>
    <tr><th>文件</th><th>是否必需</th><th>作用</th></tr>
    <tr><td class="nowrap"><code>模板文件.htm</code></td><td class="nowrap">必需</td><td>页面模板：普通 HTML，加上下文介绍的标记和占位符。</td></tr>
    <tr><td class="nowrap"><code>首页模板.htm</code></td><td class="nowrap">可选</td><td>批量生成和站点的首页（列出每个页面的 <code>index.htm</code>）按它的样式生成，见<a href="#index">站点首页模板</a>。</td></tr>
    <tr><td class="nowrap"><code>效果预览.htm</code></td><td class="nowrap">可选</td><td>一张做好的示例页面。在列表中选中模板时，浏览区显示它；没有时显示“模板&lt;名称&gt;暂无预览”。</td></tr>
    <tr><td class="nowrap">其他文件和子文件夹</td><td class="nowrap">可选</td><td>页面用到的样式表、图片等，每次生成时原样复制到输出文件夹。</td></tr>
  </table>
  </div>
  <p>生成时，整个模板文件夹被复制到输出文件夹，然后删掉副本中的 <code>模板文件.htm</code>、<code>效果预览.htm</code> 和 <code>首页模板.htm</code>，再写入生成的 <code>index.htm</code>。模板自带的 <code>index.htm</code> 会被生成的页面替换。页面中引用样式和图片时请使用<strong>相对路径</strong>（如 <code>style.css</code>、<code>images/banner.svg</code>），这样输出文件夹放到哪里都能正常显示。</p>
</section>

<section class="card" id="encoding">
  <h2>2. 文件编码</h2>
  <p><code>模板文件.htm</code> 必须以 <strong>GBK（ANSI）</strong> 编码保存，生成的 <code>index.htm</code> 也按 GBK 写出。因此模板的 <code>&lt;head&gt;</code> 中应写：</p>
  <pre><code>&lt;meta charset="gbk"&gt;</code></pre>
  <ul>
    <li>用记事本编辑时，“另存为”对话框中的编码选择“ANSI”。</li>
    <li>不要保存为 UTF-8：程序不识别 BOM，UTF-8 文件会被当作 GBK 读取，中文变成乱码。</li>
    <li>GBK 中没有的字符（例如某些特殊符号）请改用 HTML 实体，如 <code>&amp;yen;</code>（¥）、<code>&amp;copy;</code>（©）。</li>
  </ul>
  <p><strong>站点用 UTF-8：</strong>“开始生成”做出的单个页面始终是 GBK。<strong>站点</strong>（站点管理、<code>taoyefang-cli site</code>）默认按 UTF-8 写出：页面和模板副本中的 <code>.htm</code>、<code>.html</code>、<code>.css</code>、<code>.js</code>、<code>.svg</code> 文件都转换为 UTF-8，其中的编码声明（<code>&lt;meta charset&gt;</code>、<code>http-equiv</code> 的 Content-Type、<code>@charset</code>、XML 声明的 <code>encoding</code>）随之改写。模板本身仍按 GBK 保存；已是 UTF-8 的资源文件（声明了 UTF-8，或没有声明而内容是有效的 UTF-8）按 UTF-8 读取。主机只认 GBK 时，在站点的 <code>站点.ini</code> 的 <code>[站点]</code> 节写 <code>编码=GBK</code>。</p>
</section>

<section class="card" id="markers">
  <h2>3. 关键词与循环标记</h2>
  <div class="table-wrap">
  <table>
    <tr><th>标记</th><th>位置</th><th>作用</th></tr>
    <tr><td class="nowrap"><code>[#关键词#]</code></td><td>任意位置</td><td>替换为窗口中填写的产品关键词，每一处都会替换。替换发生在拆分模板之前，所以页面标题、大标题、商品区、页脚中都可以使用。</td></tr>
    <tr><td class="nowrap"><code>[#商品循环开始#]</code></td><td>商品列表开始处</td><td>它之前的内容是<strong>页头</strong>，之后是<strong>商品区</strong>。</td></tr>
    <tr><td class="nowrap"><code>[#商品循环结束#]</code></td><td>商品列表结束处</td><td>它之前是商品区，之后的内容是<strong>页尾</strong>。</td></tr>
  </table>
  </div>
  <p>生成的页面 = 页头 + 每件商品一份填好的商品区 + 页尾。两个标记本身不会出现在页面中。</p>
  <ul>
    <li>只有<strong>第一个</strong>开始标记和<strong>第一个</strong>结束标记有效；后面再出现的标记会作为普通文字留在页面中，所以每个模板只写一对。</li>
    <li>页头和商品区两端的半角空格会被去掉，换行和制表符保留；页尾原样保留。</li>
    <li>商品区按商品顺序一份接一份地直接相连，中间不加任何内容。所以商品区应是一个完整的元素，例如一个 <code>&lt;li&gt;…&lt;/li&gt;</code> 或 <code>&lt;div&gt;…&lt;/div&gt;</code>，外层的 <code>&lt;ul&gt;</code> 放在页头和页尾中。</li>
    <li>关键词按文字写入页面：<code>&amp; &lt; &gt; " '</code> 会转义，可以放在正文或属性值中；关键词里的 <code>[</code> 写成 <code>&amp;#91;</code>，所以关键词永远不会被当成占位符或循环标记。</li>
  </ul>
</section>

<section class="card" id="placeholders">
  <h2>4. 九个商品占位符</h2>
  <p>下面的占位符写在商品区中，每件商品都用它自己的数据替换。写在商品区之外（页头或页尾）的占位符<strong>不会被替换</strong>，会原样出现在页面中。</p>
  <div class="table-wrap">
  <table>
    <tr><th>占位符</th><th>替换为</th><th>示例</th></tr>
    <tr><td class="nowrap"><code>[#商品排名#]</code></td><td>商品的名次，从 1 开始依次加 1。</td><td class="nowrap">1、2、3</td></tr>
    <tr><td class="nowrap"><code>[#商品标题#]</code></td><td>商品标题。其中与关键词相同的文字通常带有高亮标签 <code>&lt;span class=H&gt;…&lt;/span&gt;</code>，可在样式表中为 <code>.H</code> 设置颜色。</td><td>夏季新款&lt;span class=H&gt;连衣裙&lt;/span&gt;</td></tr>
    <tr><td class="nowrap"><code>[#商品网址#]</code></td><td>带有你 PID 的商品推广链接；开启短网址时为短网址。</td><td class="nowrap">http://s.click.taobao.com/…</td></tr>
    <tr><td class="nowrap"><code>[#商品图片地址#]</code></td><td>商品主图的地址，写在 <code>&lt;img src="…"&gt;</code> 中。</td><td class="nowrap">http://img0x.taobaocdn.com/…jpg</td></tr>
    <tr><td class="nowrap"><code>[#商品价格#]</code></td><td>商品价格，不带货币符号，需要时自己加 <code>&amp;yen;</code>。</td><td class="nowrap">128.00</td></tr>
    <tr><td class="nowrap"><code>[#商品销售量#]</code></td><td>近 30 天销量（件数），例如写成“月销 [#商品销售量#] 件”。</td><td class="nowrap">3562</td></tr>
    <tr><td class="nowrap"><code>[#店铺网址#]</code></td><td>带有你 PID 的店铺推广链接；开启短网址时为短网址。</td><td class="nowrap">http://s.click.taobao.com/…</td></tr>
    <tr><td class="nowrap"><code>[#卖家昵称#]</code></td><td>卖家（店主）的淘宝昵称。</td><td class="nowrap">小鹿森林女装店</td></tr>
    <tr><td class="nowrap"><code>[#信用等级#]</code></td><td>卖家信用等级<strong>图片的地址</strong>，见下节。</td><td class="nowrap">http://img.taobaocdn.com/newrank/s_blue_2.gif</td></tr>
  </table>
  </div>
  <div class="note warn"><strong>两种数据来源不同：</strong>开放平台的值都是纯文字，填入时已做 HTML 转义，链接和图片只取 http(s) 地址，可以写在正文或属性值中。接口测试工具的标题本身就是 HTML，可能含有 <code>&lt;span class=H&gt;</code> 这样的高亮标签，所以 <code>[#商品标题#]</code> 只适合写在正文中，不要写进 <code>alt="…"</code>、<code>title="…"</code> 等属性里，否则会弄乱页面。</div>
  <p>同一个占位符可以在商品区中出现多次，每一处都会替换。<code>[#店铺网址#]</code> 还有一个作用：只有模板中出现了它，开启短网址时程序才会为店铺链接也生成短网址；不需要店铺链接时省掉它，生成会更快。</p>
</section>

<section class="card" id="metadata">
  <h2>4.1 页面信息占位符</h2>
  <p>下面三个占位符写在<strong>页头或页尾</strong>（通常在 <code>&lt;head&gt;</code> 中），取到商品后由程序填写，告诉搜索引擎、分享卡片和浏览器这一页是什么。每个值都按所在位置转义，商品数据中的任何文字都不会变成标签或脚本。</p>
  <div class="table-wrap">
  <table>
    <tr><th>占位符</th><th>替换为</th><th>写法</th></tr>
    <tr><td class="nowrap"><code>[#页面描述#]</code></td><td>由关键词和前几件商品的标题组成的描述，最多 150 个字，已做 HTML 转义，可写在属性值或正文中。</td><td><code>&lt;meta name="description" content="[#页面描述#]"&gt;</code></td></tr>
    <tr><td class="nowrap"><code>[#分享标签#]</code></td><td>站点设置了网站地址时：<code>&lt;link rel="canonical"&gt;</code> 和 Open Graph 标签（<code>og:title</code>、<code>og:description</code>、<code>og:image</code> 为第一件商品的图片、<code>og:url</code> 为本页地址）；不知道本页网址时（单个页面、没有网站地址的站点）为空。</td><td>单独一行，写在 <code>&lt;head&gt;</code> 中</td></tr>
    <tr><td class="nowrap"><code>[#结构化数据#]</code></td><td>一个 <code>&lt;script type="application/ld+json"&gt;</code> 元素：商品列表（schema.org 的 <code>ItemList</code>），每件商品是带 <code>Offer</code> 的 <code>Product</code>（价格为到手价，币种 CNY，有优惠券结束日期时写入 <code>priceValidUntil</code>，<code>url</code> 为推广链接）。文字按 JSON 转义，<code>&lt;</code> 写成 <code>\u003c</code>，无法结束脚本元素。</td><td>单独一行，写在 <code>&lt;head&gt;</code> 中</td></tr>
  </table>
  </div>
  <p>网站图标请用模板自带的图片，例如 <code>&lt;link rel="icon" href="images/logo.svg" type="image/svg+xml"&gt;</code>；没有图标时浏览器会请求不存在的 <code>/favicon.ico</code>。两个自带模板都已写好这些标签。</p>
</section>

<section class="card" id="index">
  <h2>4.2 站点首页模板</h2>
  <p>模板文件夹中可以放一个 <code>首页模板.htm</code>（GBK，和 <code>模板文件.htm</code> 一样的循环标记），用来生成批量生成和站点的首页 <code>index.htm</code>：页头 + 每个<strong>页面</strong>一份填好的循环区 + 页尾。没有它（或它没有循环标记）时，首页用程序自带的样式。</p>
  <div class="table-wrap">
  <table>
    <tr><th>占位符</th><th>位置</th><th>替换为</th></tr>
    <tr><td class="nowrap"><code>[#站点名称#]</code></td><td>页头、页尾</td><td>站点（网站）名称；<code>[#关键词#]</code> 在页头页尾中也替换为它。</td></tr>
    <tr><td class="nowrap"><code>[#页面描述#]</code></td><td>页头、页尾</td><td>站点名称、页面数和前几个关键词组成的描述。</td></tr>
    <tr><td class="nowrap"><code>[#页面数量#]</code></td><td>页头、页尾</td><td>页面的个数。</td></tr>
    <tr><td class="nowrap"><code>[#关键词#]</code></td><td>循环区</td><td>这一页的关键词。</td></tr>
    <tr><td class="nowrap"><code>[#页面地址#]</code></td><td>循环区</td><td>这一页的相对地址，如 <code>lian-yi-qun/index.htm</code>。</td></tr>
    <tr><td class="nowrap"><code>[#商品图片地址#]</code></td><td>循环区</td><td>这一页第一件商品的图片地址。</td></tr>
    <tr><td class="nowrap"><code>[#商品价格#]</code></td><td>循环区</td><td>这一页第一件商品的到手价（没有时为价格）。</td></tr>
    <tr><td class="nowrap"><code>[#商品数量#]</code></td><td>循环区</td><td>这一页的商品件数。</td></tr>
  </table>
  </div>
  <p>首页放在站点的最上层，而模板的样式表和图片只复制到每个页面的文件夹中，所以首页的样式请直接写在 <code>&lt;style&gt;</code> 中。</p>
</section>

<section class="card" id="credit">
  <h2>5. 信用等级图片</h2>
  <p><code>[#信用等级#]</code> 只给出图片地址，图片标签要自己写：</p>
  <pre><code>&lt;img class="credit" src="<span class="m">[#信用等级#]</span>" alt="信用等级"&gt;</code></pre>
  <p>卖家信用分 1～20 对应四个系列、每系列五级的图片，放在“图片主机”（见<a href="bangzhu.php#ini">设置文件</a>）的 <code>/newrank/</code> 目录下：</p>
  <div class="table-wrap">
  <table>
    <tr><th>信用分</th><th>系列</th><th>图片地址的路径</th></tr>
    <tr><td class="nowrap">1～5</td><td>红心</td><td><code>/newrank/s_red_1.gif</code> ～ <code>s_red_5.gif</code></td></tr>
    <tr><td class="nowrap">6～10</td><td>蓝钻</td><td><code>/newrank/s_blue_1.gif</code> ～ <code>s_blue_5.gif</code></td></tr>
    <tr><td class="nowrap">11～15</td><td>蓝冠</td><td><code>/newrank/s_cap_1.gif</code> ～ <code>s_cap_5.gif</code></td></tr>
    <tr><td class="nowrap">16～20</td><td>金冠</td><td><code>/newrank/s_crown_1.gif</code> ～ <code>s_crown_5.gif</code></td></tr>
  </table>
  </div>
  <p>信用分为 0 或不在 1～20 之间时没有对应图片，占位符会被替换成这个数字本身（例如 <code>0</code>），这时图片无法显示，浏览器会画出一个“图片损坏”的小图标。真正的图片地址总含有斜杠 <code>/</code>，而单独的数字没有，所以用一条样式就能把这种情况隐藏起来：</p>
  <pre><code>img.credit {
    height: 16px;
    width: auto;
    vertical-align: middle;
}
img.credit:not([src*="/"]) { display: none; }   <span class="c">/* 没有信用图片时隐藏 */</span></code></pre>
</section>

<section class="card" id="refusals">
  <h2>6. 模板检查与提示</h2>
  <p>点击“开始生成”后，程序按下面的顺序检查模板，不合格时弹出提示并停止，不会写出任何文件：</p>
  <div class="table-wrap">
  <table>
    <tr><th>提示</th><th>原因</th></tr>
    <tr><td class="nowrap"><span class="msg">模板文件无效</span></td><td>模板文件夹中没有 <code>模板文件.htm</code>（注意文件名和扩展名，也不能是隐藏文件）。</td></tr>
    <tr><td class="nowrap"><span class="msg">模板头部无效</span></td><td>找不到 <code>[#商品循环开始#]</code>，或模板文件是空的。</td></tr>
    <tr><td class="nowrap"><span class="msg">模板尾部无效</span></td><td>找不到 <code>[#商品循环结束#]</code>。</td></tr>
    <tr><td class="nowrap"><span class="msg">模板循环区域无效</span></td><td>第一个结束标记在第一个开始标记之前，或开始标记之后再没有结束标记。</td></tr>
  </table>
  </div>
  <p>标记必须一字不差：方括号和井号都是半角字符，中间的文字不能有空格。</p>
</section>

<section class="card" id="example">
  <h2>7. 完整示例</h2>
  <p>下面是一个可以直接使用的最小模板。把它以 GBK 编码保存为 <code>模板\我的模板\模板文件.htm</code>，再放一个 <code>style.css</code> 即可。</p>
  <pre><code>&lt;!DOCTYPE html&gt;
&lt;html lang="zh-CN"&gt;
&lt;head&gt;
&lt;meta charset="gbk"&gt;
&lt;meta name="viewport" content="width=device-width, initial-scale=1"&gt;
&lt;title&gt;<span class="m">[#关键词#]</span>热卖推荐&lt;/title&gt;
&lt;link rel="stylesheet" href="style.css"&gt;
&lt;/head&gt;
&lt;body&gt;
&lt;h1&gt;<span class="m">[#关键词#]</span> 精选好货&lt;/h1&gt;
&lt;ul class="items"&gt;
<span class="m">[#商品循环开始#]</span>
&lt;li class="item"&gt;
  &lt;a href="<span class="m">[#商品网址#]</span>" target="_blank" rel="nofollow"&gt;
    &lt;img src="<span class="m">[#商品图片地址#]</span>" alt=""&gt;
    &lt;b class="rank"&gt;<span class="m">[#商品排名#]</span>&lt;/b&gt;
    &lt;p class="title"&gt;<span class="m">[#商品标题#]</span>&lt;/p&gt;
  &lt;/a&gt;
  &lt;p class="price"&gt;&amp;yen;<span class="m">[#商品价格#]</span> &lt;small&gt;月销 <span class="m">[#商品销售量#]</span> 件&lt;/small&gt;&lt;/p&gt;
  &lt;p class="shop"&gt;<span class="m">[#卖家昵称#]</span> &lt;img class="credit" src="<span class="m">[#信用等级#]</span>" alt="信用等级"&gt;
    &lt;a href="<span class="m">[#店铺网址#]</span>" target="_blank" rel="nofollow"&gt;进店逛逛&lt;/a&gt;&lt;/p&gt;
&lt;/li&gt;
<span class="m">[#商品循环结束#]</span>
&lt;/ul&gt;
&lt;p class="foot"&gt;以上<span class="m">[#关键词#]</span>商品信息来自淘宝网，价格以实际为准。&lt;/p&gt;
&lt;/body&gt;
&lt;/html&gt;</code></pre>
  <p>用关键词“连衣裙”生成 2 件商品时，商品区会变成类似这样的两段（此处略去链接地址）：</p>
  <pre><code>&lt;li class="item"&gt;
  &lt;a href="…" target="_blank" rel="nofollow"&gt;
    &lt;img src="…" alt=""&gt;
    &lt;b class="rank"&gt;1&lt;/b&gt;
    &lt;p class="title"&gt;夏季新款碎花&lt;span class=H&gt;连衣裙&lt;/span&gt;女中长款&lt;/p&gt;
  &lt;/a&gt;
  &lt;p class="price"&gt;&amp;yen;128.00 &lt;small&gt;月销 3562 件&lt;/small&gt;&lt;/p&gt;
  &lt;p class="shop"&gt;小鹿森林女装店 &lt;img class="credit" src="http://img.taobaocdn.com/newrank/s_blue_2.gif" alt="信用等级"&gt;
    &lt;a href="…" target="_blank" rel="nofollow"&gt;进店逛逛&lt;/a&gt;&lt;/p&gt;
&lt;/li&gt;

&lt;li class="item"&gt;
  &lt;a href="…" target="_blank" rel="nofollow"&gt;
    &lt;img src="…" alt=""&gt;
    &lt;b class="rank"&gt;2&lt;/b&gt;
    &lt;p class="title"&gt;法式复古方领&lt;span class=H&gt;连衣裙&lt;/span&gt;收腰显瘦&lt;/p&gt;
  &lt;/a&gt;
  &lt;p class="price"&gt;&amp;yen;169.00 &lt;small&gt;月销 1208 件&lt;/small&gt;&lt;/p&gt;
  &lt;p class="shop"&gt;栀子花开原创 &lt;img class="credit" src="0" alt="信用等级"&gt;
    &lt;a href="…" target="_blank" rel="nofollow"&gt;进店逛逛&lt;/a&gt;&lt;/p&gt;
&lt;/li&gt;</code></pre>
  <p>程序自带的“经典网格”和“手机精选”两个模板是更完整的例子，可以直接打开它们的 <code>模板文件.htm</code> 和 <code>style.css</code> 参考。</p>
</section>

<section class="card" id="tips">
  <h2>8. 制作步骤与小贴士</h2>
  <ol class="steps">
    <li>复制一个现有的模板文件夹，改成新名字，在此基础上修改最省事。</li>
    <li>用文本编辑器修改 <code>模板文件.htm</code> 和 <code>style.css</code>，保存时选 ANSI（GBK）编码。</li>
    <li>重新启动淘页坊，新模板出现在列表中。先把数量设为 2 生成一次，检查页面效果。</li>
    <li>满意后，把输出文件夹中的 <code>index.htm</code> 复制回模板文件夹并改名为 <code>效果预览.htm</code>，以后选中模板时就能看到预览。</li>
  </ol>
  <ul>
    <li>希望整张商品卡片都可点击，又要单独放“进店逛逛”链接时，不要把一个链接套在另一个链接里（HTML 不允许）。可以让商品链接用绝对定位的 <code>::after</code> 铺满卡片，再把店铺链接放在它的上层，自带的两个模板就是这样做的。</li>
    <li>推广链接建议加上 <code>target="_blank"</code>（新窗口打开）和 <code>rel="nofollow"</code>。</li>
    <li>商品标题长短不一，可以用 CSS 限制为两行显示，保持卡片整齐。</li>
    <li>商品图片多为正方形，给图片容器设定固定的宽高比，页面加载时不会跳动。</li>
    <li>按照广告相关规定，推广页面宜在显眼处注明“推广”或“广告”字样。</li>
  </ul>
</section>
</main>

<footer class="site-footer">
  <p>淘页坊 2.1.0 · Norvane 出品 · 本帮助随程序一同安装，无需联网即可查看。</p>
</footer>
</body>
</html>
