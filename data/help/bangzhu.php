<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="description" content="淘页坊使用说明：输入项、生成过程、结果页面、设置文件与提示信息。">
<title>使用说明 - 淘页坊</title>
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
        <a href="bangzhu.php" class="current" aria-current="page">使用说明</a>
        <a href="moban.php">模板制作</a>
        <a href="guanwang.php">官网网站</a>
        <a href="zuozhe.php">作者博客</a>
        <a href="jianyi.php">意见建议</a>
    </nav>
  </div>
</header>

<main class="page">
<section class="card">
  <h1>使用说明</h1>
  <p class="lead">淘页坊根据你输入的产品关键词，从淘宝开放平台取回淘宝客推广商品，把它们套进所选模板，生成一个可以直接上传到网站空间的推广单页。本页按使用顺序逐项说明。</p>
  <ol class="toc">
    <li><a href="#window">窗口一览</a></li>
    <li><a href="#inputs">填写输入项</a></li>
    <li><a href="#generate">开始生成</a></li>
    <li><a href="#result">生成结果与输出文件夹</a></li>
    <li><a href="#ini">设置文件 设置.ini</a></li>
    <li><a href="#messages">提示信息与处理办法</a></li>
    <li><a href="#faq">常见问题</a></li>
  </ol>
</section>

<section class="card" id="window">
  <h2>1. 窗口一览</h2>
  <ul>
    <li><strong>顶部输入栏</strong>：产品关键词、淘宝客PID、模板、排序、数量五项，决定生成什么样的页面。</li>
    <li><strong>中间浏览区</strong>：显示程序首页、帮助页面、模板的效果预览、生成进度和生成结果。</li>
    <li><strong>底部选项</strong>：“自动将淘宝客推广地址转换为短网址”。它在窗口中显示为灰色，不能点选，只能在设置文件中开启（见<a href="#ini">第 5 节</a>）。</li>
    <li><strong>菜单栏</strong>：<strong>开始生成</strong>、<strong>使用说明</strong>、<strong>模板制作</strong>、<strong>联系我们</strong>（其下有 官网网站、作者博客、程序首页、意见建议）。</li>
  </ul>
  <p>程序关闭时会把五个输入项保存到设置文件，下次启动时自动填回。</p>
</section>

<section class="card" id="inputs">
  <h2>2. 填写输入项</h2>
  <div class="table-wrap">
  <table>
    <tr><th>输入项</th><th>填写说明</th></tr>
    <tr><td class="nowrap">产品关键词</td><td>要推广的商品关键词，例如 <code>连衣裙</code>、<code>蓝牙耳机</code>。不能为空。关键词会替换模板中所有的 <code>[#关键词#]</code>（页面标题、大标题等），也是输出文件夹名称的一部分。</td></tr>
    <tr><td class="nowrap">淘宝客PID</td><td>只填 PID 中 <code>mm_</code> 与 <code>_0_0</code> 之间的 <strong>8 位数字</strong>。例如你的 PID 是 <code>mm_30571968_0_0</code>，这里填 <code>30571968</code>。填写完整的 PID 会被认为格式错误。离开输入框时，如果内容不是 8 个字符，会弹出 PID 格式提示。</td></tr>
    <tr><td class="nowrap">模板</td><td>下拉列表中是<span data-place="templates">程序目录下 <code>模板</code></span> 文件夹里的各个子文件夹。选中后浏览区显示该模板的效果预览；模板没有预览文件时显示“模板&lt;名称&gt;暂无预览”。一个模板都没有时，列表中只有“暂无模板”。列表在程序启动时读取，新放入的模板要重新启动程序才会出现。</td></tr>
    <tr><td class="nowrap">排序</td><td>商品的排列方式，共四种，见下表。</td></tr>
    <tr><td class="nowrap">数量</td><td>生成的商品件数，<strong>2 到 40</strong> 之间的整数，默认 10。离开输入框时：小于 2 会提示“数量不能小于2”并改为 2；大于 40 会提示“数量不能大于40”并改为 40。</td></tr>
  </table>
  </div>

  <h3>四种排序</h3>
  <div class="table-wrap">
  <table>
    <tr><th>排序</th><th>含义与适用场合</th></tr>
    <tr><td class="nowrap">30天支出佣金从高到低</td><td>按商品近 30 天支出的佣金总额排列（默认）。卖得好、佣金也高的商品排在前面，适合大多数推广页。</td></tr>
    <tr><td class="nowrap">30天推广量从高到低</td><td>按近 30 天通过淘宝客推广成交的件数排列，排在前面的是最受淘宝客买家欢迎的商品。</td></tr>
    <tr><td class="nowrap">佣金比率从高到低</td><td>按佣金比例排列，每成交一单收益更高，适合流量精准、转化率高的页面。</td></tr>
    <tr><td class="nowrap">价格从高到低</td><td>按商品价格从高到低排列，适合做高端、品质类的专题页。</td></tr>
  </table>
  </div>
  <div class="note warn"><strong>注意：</strong>数量的检查在离开输入框时才进行。改完数量后请按 <kbd>Tab</kbd> 键或点一下别的输入框，再点“开始生成”。</div>
</section>

<section class="card" id="generate">
  <h2>3. 开始生成</h2>
  <p>填好输入项后，点击菜单栏的 <strong>开始生成</strong>。程序先依次检查：是否选择了模板、PID 是否为 8 个字符、关键词是否为空；任何一项不符合都会弹出提示，不会开始生成。</p>
  <p>开始后，菜单项变成灰色的“生成中...”，直到本次生成结束才恢复为“开始生成”，所以同一时间只能进行一次生成。生成时窗口仍可操作，可以翻看帮助页面，但<strong>请不要修改输入项</strong>。</p>
  <h3>浏览区依次显示的进度页面</h3>
  <ol>
    <li>“正在通过api接口获取商品数据....”——正在向商品接口请求数据。</li>
    <li>“根据api接口获取到的商品数据生成淘宝客单页...”——已取到商品，正在逐件填入模板。</li>
    <li>开启短网址时，每件商品还会显示“正在将商品&lt;标题&gt;的推广地址转换为短网址...”；模板中用到店铺网址时，还有“...的店铺推广地址转换为短网址...”。</li>
    <li>“商品数据获取完毕...”——商品全部处理完毕，接着写出文件。</li>
    <li>最后显示“单页生成成功,已保存到【文件夹】文件夹”和三个链接（见下节）。</li>
  </ol>
  <p>如果接口没有按时回应或没有返回商品，浏览区会停在超时或失败页面，这次不会写出任何文件，处理办法见<a href="#messages">第 6 节</a>。</p>
</section>

<section class="card" id="result">
  <h2>4. 生成结果与输出文件夹</h2>
  <p>生成成功后，浏览区显示结果页面，其中有三个链接：</p>
  <div class="table-wrap">
  <table>
    <tr><th>链接</th><th>作用</th></tr>
    <tr><td class="nowrap">查看生成的单页文件</td><td>在浏览区列出输出文件夹中的全部文件。</td></tr>
    <tr><td class="nowrap">预览生成的单页效果</td><td>在浏览区打开生成的 <code>index.htm</code>，查看页面实际效果。</td></tr>
    <tr><td class="nowrap">将单页源码复制到剪切板</td><td>把 <code>index.htm</code> 的完整源码复制到剪切板，并提示“单页源码已经复制到剪切板.”。可以直接粘贴到博客或网站后台的 HTML 编辑器中。</td></tr>
  </table>
  </div>
  <p>三个链接总是针对<strong>最近一次</strong>生成的结果。</p>

  <h3>输出文件夹</h3>
  <p>每次生成都会在<span data-place="output">程序目录下的 <code>已生成</code></span> 文件夹中新建一个文件夹，名称为 <code>关键词_模板名_时分秒</code>，例如 14 点 05 分 09 秒用模板“经典网格”生成“连衣裙”，得到：</p>
  <pre><code>已生成\连衣裙_经典网格_140509\
    index.htm        <span class="c">← 生成的单页</span>
    style.css        <span class="c">← 模板自带的样式和图片，原样复制</span>
    images\...</code></pre>
  <ul>
    <li>文件夹中是模板文件夹里的全部文件和子文件夹，再加上生成的 <code>index.htm</code>；模板专用的 <code>模板文件.htm</code> 和 <code>效果预览.htm</code> 不会出现在其中。</li>
    <li>同一秒内重复生成时，新文件夹会自动加上编号（如 <code>_2</code>），不会覆盖之前的结果。</li>
    <li>关键词中不能用于文件名的字符（<code>\ / : * ? " &lt; &gt; |</code>）在文件夹名中会换成 <code>_</code>，页面中的关键词保持原样。</li>
    <li><code>index.htm</code> 与模板一样使用 GBK（ANSI）编码保存。上传时请把整个文件夹一起上传。</li>
  </ul>
</section>

<section class="card" id="ini">
  <h2>5. 设置文件 设置.ini</h2>
  <p><span data-place="settings">程序目录下的 <code>设置.ini</code></span> 保存输入项和服务地址。文件不存在时，程序启动时自动创建；缺少的项目会按默认值补上。</p>
  <pre><code>[基本设置]
Text1=连衣裙        <span class="c">; 产品关键词</span>
Text2=30571968      <span class="c">; 淘宝客PID（8 位数字）</span>
Text3=10            <span class="c">; 数量，默认 10</span>
Check1=0            <span class="c">; 短网址：0 关闭，1 开启</span>
Combo2=0            <span class="c">; 排序序号 0～3</span>

[服务设置]
接口主机=...        <span class="c">; 商品接口的主机[:端口]</span>
短网址主机=...      <span class="c">; 短网址服务的主机[:端口]</span>
图片主机=img.taobaocdn.com   <span class="c">; 信用等级图片所在的主机</span>
帮助网址=...        <span class="c">; 帮助页面的地址，以 / 结尾</span></code></pre>
  <div class="table-wrap">
  <table>
    <tr><th>项目</th><th>说明</th></tr>
    <tr><td class="nowrap"><code>Text1</code></td><td>产品关键词。</td></tr>
    <tr><td class="nowrap"><code>Text2</code></td><td>淘宝客PID 的 8 位数字。</td></tr>
    <tr><td class="nowrap"><code>Text3</code></td><td>数量，为空时取 10。</td></tr>
    <tr><td class="nowrap"><code>Check1</code></td><td>是否把推广地址转换为短网址：<code>0</code> 关闭，<code>1</code> 开启。<strong>只能在此文件中设置</strong>，窗口中的选项只显示当前状态。</td></tr>
    <tr><td class="nowrap"><code>Combo2</code></td><td>排序序号：<code>0</code> 30天支出佣金从高到低，<code>1</code> 30天推广量从高到低，<code>2</code> 佣金比率从高到低，<code>3</code> 价格从高到低。</td></tr>
    <tr><td class="nowrap"><code>接口主机</code></td><td>商品接口的主机名（可带端口）。默认指向本机 127.0.0.1 上的演示服务，不联网也能试用。</td></tr>
    <tr><td class="nowrap"><code>短网址主机</code></td><td>短网址服务的主机名（可带端口），开启短网址时使用。默认同样是本机演示服务。</td></tr>
    <tr><td class="nowrap"><code>图片主机</code></td><td>卖家信用等级图片所在的主机，默认 <code>img.taobaocdn.com</code>。这些图片地址会写进发布到网上的页面。</td></tr>
    <tr><td class="nowrap"><code>帮助网址</code></td><td>帮助页面所在的地址，以 <code>/</code> 结尾。默认是随程序安装的离线帮助（也就是你正在看的页面）。</td></tr>
  </table>
  </div>
  <div class="note warn"><strong>请先关闭程序再改设置文件。</strong>程序关闭时会把窗口中的当前内容写回 <code>[基本设置]</code>，运行期间对这一节的修改会被覆盖。文件请用 ANSI（GBK）编码保存，例如在记事本中“另存为”时选择编码“ANSI”。</div>
</section>

<section class="card" id="messages">
  <h2>6. 提示信息与处理办法</h2>
  <div class="table-wrap">
  <table>
    <tr><th>提示</th><th>原因</th><th>处理办法</th></tr>
    <tr><td><span class="msg">请先选择模板文件!</span></td><td>还没有在“模板”列表中选择模板。</td><td>从列表中选一个模板。</td></tr>
    <tr><td><span class="msg">正确的淘宝客PID格式是mm_和_0_0中间的8位数字,例如：30571968</span><br><span class="muted">标题：淘宝客PID错误</span></td><td>PID 不是 8 个字符，常见于填了完整的 PID。</td><td>只填 <code>mm_</code> 和 <code>_0_0</code> 中间的 8 位数字。</td></tr>
    <tr><td><span class="msg">关键词不能为空!</span></td><td>产品关键词是空的。</td><td>填写关键词后再生成。</td></tr>
    <tr><td><span class="msg">数量不能小于2</span></td><td>数量为 1 或更小、为空，或不以数字开头。</td><td>程序已自动改为 2，按需要重新填写。</td></tr>
    <tr><td><span class="msg">数量不能大于40</span></td><td>数量大于 40。</td><td>程序已自动改为 40，一次最多生成 40 件。</td></tr>
    <tr><td><span class="msg">模板文件无效</span></td><td>所选模板文件夹中没有 <code>模板文件.htm</code>（或选中的是“暂无模板”）。</td><td>检查模板文件夹和文件名，见<a href="moban.php">模板制作</a>。</td></tr>
    <tr><td><span class="msg">模板头部无效</span></td><td>模板中没有 <code>[#商品循环开始#]</code>，或模板文件是空的。</td><td>在商品列表开始的位置加上该标记。</td></tr>
    <tr><td><span class="msg">模板尾部无效</span></td><td>模板中没有 <code>[#商品循环结束#]</code>。</td><td>在商品列表结束的位置加上该标记。</td></tr>
    <tr><td><span class="msg">模板循环区域无效</span></td><td>结束标记写在了开始标记之前，或开始标记之后没有结束标记。</td><td>调整两个标记的顺序：先“开始”，后“结束”。</td></tr>
    <tr><td><span class="msg">通过api接口获取商品数据超时,请点击开始生成按钮重新尝试生成...</span></td><td>商品接口没有按时回应：网络不通、接口繁忙，或“接口主机”设置有误。</td><td>检查网络和 <code>设置.ini</code> 中的“接口主机”，稍后再点“开始生成”。本次未写出任何文件。</td></tr>
    <tr><td><span class="msg">通过api接口获取商品数据失败,请点击开始生成按钮重新尝试生成...</span></td><td>接口有回应，但没有返回商品：关键词没有对应的推广商品、PID 不正确，或接口返回了错误。</td><td>换一个更常见的关键词，核对 PID，稍后重试。本次未写出任何文件。</td></tr>
    <tr><td><span class="msg">单页源码已经复制到剪切板.</span></td><td>点击了“将单页源码复制到剪切板”。</td><td>到需要的地方粘贴即可。</td></tr>
    <tr><td><span class="msg">模板&lt;名称&gt;暂无预览</span></td><td>该模板没有 <code>效果预览.htm</code>。</td><td>不影响生成，可以照常使用。</td></tr>
    <tr><td><span class="msg">无模板</span></td><td>选中了“暂无模板”：<span data-place="templates"><code>模板</code></span> 文件夹中没有任何模板。</td><td>把模板文件夹放进 <span data-place="user-templates"><code>模板</code></span> 后重新启动程序。</td></tr>
  </table>
  </div>
  <p>如果输出文件夹无法创建或 <code>index.htm</code> 无法写入（例如磁盘已满、没有写入权限），浏览区会显示失败页面，写明文件夹和原因，不会显示“单页生成成功”。程序目录不可写入时（例如安装到系统中），设置、自己的模板和生成的页面都保存在用户自己的文件夹中，不必再把程序放到可写入的目录。</p>
</section>

<section class="card" id="faq">
  <h2>7. 常见问题</h2>
  <details>
    <summary>短网址选项为什么是灰色的，点不了？</summary>
    <div><p>这个选项只能在设置文件中开启：关闭程序，把 <code>设置.ini</code> 中的 <code>Check1=0</code> 改为 <code>Check1=1</code>，保存后重新启动，选项就会显示为已勾选。开启后每件商品要多请求一到两次短网址服务，生成会慢一些。</p></div>
  </details>
  <details>
    <summary>改了 设置.ini，重新打开后又变回去了？</summary>
    <div><p>程序关闭时会把窗口中的内容写回设置文件。请先关闭程序，再修改并保存设置文件，然后启动程序。</p></div>
  </details>
  <details>
    <summary>新做的模板没有出现在列表中？</summary>
    <div><p>模板列表只在程序启动时读取一次。确认模板是 <span data-place="user-templates"><code>模板</code></span> 文件夹下的一个子文件夹（不是隐藏文件夹），然后重新启动程序。</p></div>
  </details>
  <details>
    <summary>生成的商品比填写的数量少？</summary>
    <div><p>接口只返回实际能找到的推广商品。关键词越冷门，商品越少；换一个更常用的关键词，或换一种排序试试。</p></div>
  </details>
  <details>
    <summary>生成的页面打开后是乱码？</summary>
    <div><p><code>index.htm</code> 按 GBK 编码保存。请确认模板中写有 <code>&lt;meta charset="gbk"&gt;</code>，模板文件本身也按 ANSI（GBK）保存；如果上传后才出现乱码，检查网站服务器是否强制按 UTF-8 发送页面。</p></div>
  </details>
  <details>
    <summary>页面上的商品图片或信用等级图片不显示？</summary>
    <div><p>商品图片和信用等级图片都来自图片服务器，查看页面时需要能访问这些服务器。使用默认的演示服务时，图片由本机演示服务提供，演示服务没有运行时图片无法显示。</p></div>
  </details>
  <details>
    <summary>我的 PID 在哪里看？</summary>
    <div><p>在淘宝联盟（阿里妈妈）后台的推广位管理中可以看到形如 <code>mm_30571968_0_0</code> 的 PID，取中间的 8 位数字填入即可。</p></div>
  </details>
  <details>
    <summary>怎样把页面发布到自己的网站？</summary>
    <div><p>点击“查看生成的单页文件”找到输出文件夹，把整个文件夹上传到网站空间即可，访问其中的 <code>index.htm</code>。也可以用“将单页源码复制到剪切板”把源码粘贴到网站后台，但这时模板的样式和图片需要另外上传。</p></div>
  </details>
</section>
</main>

<footer class="site-footer">
  <p>淘页坊 2.1.0 · Norvane 出品 · 本帮助随程序一同安装，无需联网即可查看。</p>
</footer>
</body>
</html>
