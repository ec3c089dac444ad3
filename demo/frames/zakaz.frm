<section class="card" role="status">
<h1>~~order_answer~~</h1>
<p class="order-answer">
<!RESULT>
</p>
<!FORMAT=@orderback>
</section>
