<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="description" content="关于淘页坊与 Norvane，版本信息。">
<title>官网网站 - 淘页坊</title>
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
        <a href="moban.php">模板制作</a>
        <a href="guanwang.php" class="current" aria-current="page">官网网站</a>
        <a href="zuozhe.php">作者博客</a>
        <a href="jianyi.php">意见建议</a>
    </nav>
  </div>
</header>

<main class="page">
<section class="card hero">
  <img class="hero-logo" src="logo.svg" alt="淘页坊标志" width="96" height="96">
  <div>
    <h1>淘页坊 · Norvane 出品</h1>
    <p class="lead">淘页坊是 Norvane 为淘宝客推广者打造的单页生成工具：一个关键词、一个模板，几秒钟得到一个带有你推广链接的商品页面。</p>
  </div>
</section>

<section class="card">
  <h2>关于淘页坊</h2>
  <p>做淘宝客推广，最费时间的往往不是找流量，而是做页面：挑商品、复制标题和图片、转换推广链接、排版。淘页坊把这些重复劳动交给程序，你只需要决定推广什么、用什么样的页面。</p>
  <div class="grid four">
    <div class="tile"><strong>单窗口，上手快</strong><span>所有操作都在一个窗口中完成，输入项在下次启动时自动填回。</span></div>
    <div class="tile"><strong>模板完全开放</strong><span>模板就是普通的 HTML 页面，加几个占位符即可，样式随你设计。</span></div>
    <div class="tile"><strong>结果可直接发布</strong><span>每次生成一个独立文件夹，上传即可访问，也能一键复制源码。</span></div>
    <div class="tile"><strong>离线帮助</strong><span>帮助页面随程序安装，不联网也能查阅。</span></div>
  </div>
</section>

<section class="card">
  <h2>版本信息</h2>
  <div class="table-wrap">
  <table>
    <tr><th>项目</th><th>内容</th></tr>
    <tr><td class="nowrap">产品名称</td><td>淘页坊</td></tr>
    <tr><td class="nowrap">当前版本</td><td><strong>2.1.0</strong>（完整版本号也显示在窗口标题栏中）</td></tr>
    <tr><td class="nowrap">出品</td><td>Norvane</td></tr>
    <tr><td class="nowrap">自带模板</td><td>经典网格（电脑端商品网格）、手机精选（手机端单列卡片）</td></tr>
  </table>
  </div>
  <h3>2.1.0 更新内容</h3>
  <ul>
    <li>设置文件新增 <code>[服务设置]</code> 一节，可以自定义商品接口、短网址服务、信用图片和帮助页面的地址。</li>
    <li>帮助页面随程序安装，不联网也能查看。</li>
    <li>新增“经典网格”和“手机精选”两套模板，电脑和手机上都有良好的显示效果。</li>
    <li>同一秒内重复生成不再覆盖之前的结果；关键词中含有文件名不允许的字符时也能正常生成。</li>
    <li>接口超时或没有返回商品时停在提示页面，不再生成空白页面。</li>
  </ul>
</section>

<section class="card">
  <h2>获取与更新</h2>
  <p>最新版本、更多模板和联系方式发布在 Norvane 的网站上，网址见淘页坊窗口标题栏中的 Norvane 署名。<span data-place="settings"><code>设置.ini</code></span>、<span data-place="user-templates"><code>模板</code></span> 和 <span data-place="output"><code>已生成</code></span> 中的内容在升级后继续使用：便携版把它们从旧版程序目录复制到新版程序目录即可，安装版升级时不会改动它们。</p>
  <p class="muted">淘页坊是独立开发的第三方工具，与淘宝网、淘宝联盟无隶属关系。“淘宝”“淘宝客”等名称归其权利人所有。</p>
</section>
</main>

<footer class="site-footer">
  <p>淘页坊 2.1.0 · Norvane 出品 · 本帮助随程序一同安装，无需联网即可查看。</p>
</footer>
</body>
</html>
