// The cache-fill page's service worker: once installed it fills the same
// cache with 8 MB answers as fast as they are taken, to 1 GB.
self.oninstall = function (event) {
  var body = new Uint8Array(8 << 20).fill(2), n = 0;
  event.waitUntil(caches.open('w').then(function (c) {
    return (function put() { return n < 128 ? c.put('/w' + n++, new Response(body)).then(put) : null; })();
  }));
};
