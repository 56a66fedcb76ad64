// The page offline: every file it loads, cached on the first visit under a
// name made from this build's content. A new build's worker fills a new cache
// and drops the old one, so the next visit gets the new files.
'use strict';
const Cache = 'pegpond-@VERSION@';
const Files = [@FILES@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(Cache).then((cache) => cache.addAll(Files)).then(() => self.skipWaiting()));
});
self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name !== Cache).map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});
// The cached copy first (a shared link's address differs only in its query).
// The sound sets fetched when first chosen are kept as they come.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.match(event.request, { ignoreSearch: true }).then((hit) => hit || fetch(event.request).then((response) => {
    if (response.ok && /\/sounds\/[a-z]+\/note\d\d\.wav$/.test(new URL(event.request.url).pathname)) {
      const copy = response.clone();
      caches.open(Cache).then((cache) => cache.put(event.request, copy));
    }
    return response;
  })));
});
