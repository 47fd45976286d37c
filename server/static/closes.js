// Counts down the "stänger om" lines of the lists; the page says the same
// without it. Counts from the seconds the service gave, not the visitor's clock.
(function () {
  var lines = document.querySelectorAll('.closes[data-left]');
  if (!lines.length) return;
  var start = Date.now();
  function text(left) {
    var minutes = Math.floor(left / 60);
    if (left <= 0) return ' har stängt. Ladda om sidan för den nya listan.';
    if (minutes <= 0) return ' stänger om mindre än en minut';
    if (minutes < 60) return ' stänger om ' + minutes + ' min';
    return ' stänger om ' + Math.floor(minutes / 60) + ' h ' + (minutes % 60) + ' min';
  }
  function tick() {
    var gone = Math.floor((Date.now() - start) / 1000);
    lines.forEach(function (line) {
      line.textContent = line.dataset.what + text(Number(line.dataset.left) - gone);
    });
  }
  setInterval(tick, 15000);
})();
