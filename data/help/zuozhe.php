<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="description" content="给淘宝客的推广心得与使用技巧。">
<title>作者博客 - 淘页坊</title>
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
        <a href="zuozhe.php" class="current" aria-current="page">作者博客</a>
        <a href="jianyi.php">意见建议</a>
    </nav>
  </div>
</header>

<main class="page">
<section class="card">
  <h1>作者博客</h1>
  <p class="lead">做了多年淘宝客，也写了多年工具。这里记录一些推广心得，希望对你有用。</p>
</section>

<article class="card post">
  <h2>选词：宁要长尾，不要大词</h2>
  <p class="meta">Norvane · 推广心得</p>
  <p>“连衣裙”“手机”这样的大词，搜索的人多，做页面的人更多，新页面很难排到前面。与其挤在大词里，不如把关键词做细：<code>碎花连衣裙 夏 中长款</code>、<code>孕妇连衣裙 宽松</code>、<code>蓝牙耳机 运动 防水</code>。</p>
  <ul>
    <li>长尾词的搜索者目的更明确，点进来就更容易下单。</li>
    <li>一个大类可以拆出几十个长尾词，每个词生成一个单页，合起来的流量并不比大词少。</li>
    <li>用淘页坊生成时，先用数量 2 试一下：如果接口返回的商品很少，说明这个词太冷门，换一个相近的说法。</li>
  </ul>
  <div class="tags"><span>选词</span><span>长尾关键词</span></div>
</article>

<article class="card post">
  <h2>四种排序怎么选</h2>
  <p class="meta">Norvane · 使用技巧</p>
  <p>淘页坊提供四种排序，适合不同的页面：</p>
  <ul>
    <li><strong>30天支出佣金从高到低</strong>：综合了销量和佣金，是最稳妥的默认选择。</li>
    <li><strong>30天推广量从高到低</strong>：这些商品已被大量淘宝客验证过，转化有保障，适合新手。</li>
    <li><strong>佣金比率从高到低</strong>：单笔收益高，但要留意销量，冷门商品佣金再高也卖不动。</li>
    <li><strong>价格从高到低</strong>：适合“高端”“品质”“大牌”类的专题页，客单价高，一单顶十单。</li>
  </ul>
  <p>同一个关键词用不同排序各生成一页，放在网站的不同栏目中，观察一周哪个转化更好，再决定主推哪一种。</p>
  <div class="tags"><span>排序</span><span>转化率</span></div>
</article>

<article class="card post">
  <h2>让单页更容易被搜到</h2>
  <p class="meta">Norvane · 页面优化</p>
  <ol>
    <li><strong>标题带上关键词</strong>：模板的 <code>&lt;title&gt;</code> 和大标题中都用 <code>[#关键词#]</code>，自带模板已经这样做了。</li>
    <li><strong>写一段原创介绍</strong>：在模板页头加一段两三句的选购建议，比纯商品列表更受搜索引擎欢迎。</li>
    <li><strong>照顾手机用户</strong>：现在大部分流量来自手机，移动端推荐用“手机精选”模板。</li>
    <li><strong>定期更新</strong>：商品价格和销量一直在变，每隔一两周用同样的关键词重新生成一次，替换旧页面。</li>
    <li><strong>注明推广</strong>：按照广告相关规定，在页面显眼处注明“推广”或“广告”，自带模板的页脚已有说明文字。</li>
  </ol>
  <div class="tags"><span>SEO</span><span>移动端</span><span>合规</span></div>
</article>

<article class="card post">
  <h2>短网址，开还是不开？</h2>
  <p class="meta">Norvane · 常见疑问</p>
  <p>推广链接很长，放在论坛、聊天群里不好看，这时短网址很有用；放在自己网站的单页上，访客看不到链接本身，短不短区别不大。开启短网址后每件商品要多请求一到两次服务，生成会慢一些，而且短网址服务一旦停止，链接就会失效。</p>
  <p>我的建议：<strong>网站单页不开，需要在别处分享链接时再开</strong>。开启方法见<a href="bangzhu.php#ini">使用说明中的设置文件</a>一节。</p>
  <div class="tags"><span>短网址</span></div>
</article>
</main>

<footer class="site-footer">
  <p>淘页坊 2.1.0 · Norvane 出品 · 本帮助随程序一同安装，无需联网即可查看。</p>
</footer>
</body>
</html>
