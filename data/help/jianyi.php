<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="description" content="如何向淘页坊反馈问题与建议。">
<title>意见建议 - 淘页坊</title>
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
        <a href="guanwang.php">官网网站</a>
        <a href="zuozhe.php">作者博客</a>
        <a href="jianyi.php" class="current" aria-current="page">意见建议</a>
    </nav>
  </div>
</header>

<main class="page">
<section class="card">
  <h1>意见建议</h1>
  <p class="lead">发现了问题，或者希望淘页坊增加什么功能？欢迎告诉我们。每一条反馈都会被认真阅读。</p>
</section>

<section class="card">
  <h2>怎样反馈</h2>
  <p>本帮助是离线页面，不能直接提交表单。请把反馈整理成文字（可附截图），通过 Norvane 网站上公布的联系方式发给我们，网址见淘页坊窗口标题栏中的 Norvane 署名。</p>
  <div class="note tip"><strong>小技巧：</strong>把下面的反馈模板复制到邮件或聊天窗口中，逐项填写，我们能更快找到原因。</div>
</section>

<section class="card">
  <h2>报告问题时请提供</h2>
  <ol class="steps">
    <li><strong>版本号</strong>：窗口标题栏中显示的版本，例如 2.1.0；以及 Windows 的版本。</li>
    <li><strong>操作步骤</strong>：你填写的关键词、所选模板、排序和数量，点了哪些菜单或链接。</li>
    <li><strong>看到的结果</strong>：弹出的提示原文，或浏览区停留的页面文字；最好附上截图。</li>
    <li><strong>期望的结果</strong>：你原本希望看到什么。</li>
    <li><strong>相关文件</strong>：和模板有关的问题，请附上该模板文件夹（打包压缩）；和设置有关的问题，请附上 <code>设置.ini</code>。</li>
  </ol>
  <div class="note warn"><strong>保护隐私：</strong>发送 <code>设置.ini</code> 或截图前，可以把其中的淘宝客PID 改成 <code>00000000</code>，我们排查问题不需要你的真实 PID。</div>
</section>

<section class="card">
  <h2>反馈模板</h2>
  <pre><code>【版本】淘页坊 2.1.0，Windows __
【类型】问题 / 建议
【步骤】关键词：__  模板：__  排序：__  数量：__
        然后点击了：__
【结果】（提示原文或浏览区文字，附截图）
【期望】
【附件】模板文件夹 / 设置.ini（PID 可改为 00000000）</code></pre>
</section>

<section class="card">
  <h2>功能建议</h2>
  <p>提建议时，说说你想在什么场景下使用它、现在是怎么做的，比只写“希望增加某某功能”更有帮助。也欢迎分享你制作的模板，好的模板有机会随新版本一起发布（会注明作者）。</p>
</section>
</main>

<footer class="site-footer">
  <p>淘页坊 2.1.0 · Norvane 出品 · 本帮助随程序一同安装，无需联网即可查看。</p>
</footer>
</body>
</html>
