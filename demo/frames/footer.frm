</div>
</main>
<footer class="site-footer">
<div class="wrap">
<p>~~footer_about~~</p>
<p>~~footer_nojs~~</p>
</div>
</footer>
</body>
</html>
