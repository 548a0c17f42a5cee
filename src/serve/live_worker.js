// Zorvik's live reload: one event stream for every page of
// the site open in this browser, its events handed to each page.
"use strict";
var pages = [];
var listening = false;
var state = null;  // the last "errors" or "cleared", for pages that come later
var events = new EventSource("/.zorvik/events");
function send(message) {
  for (var i = 0; i < pages.length; i++) pages[i].postMessage(message);
}
events.addEventListener("open", function () { listening = true; send({ type: "open" }); });
events.addEventListener("error", function () { listening = false; });
events.addEventListener("reload", function (event) { send({ type: "reload", data: event.data }); });
["errors", "cleared"].forEach(function (type) {
  events.addEventListener(type, function (event) {
    state = { type: type, data: event.data };
    send(state);
  });
});
onconnect = function (event) {
  var page = event.ports[0];
  pages.push(page);
  page.onmessage = function (message) {
    var at = pages.indexOf(page);
    if (message.data === "bye" && at >= 0) pages.splice(at, 1);
  };
  page.start();
  if (listening) page.postMessage({ type: "open" });
  if (state !== null) page.postMessage(state);
};
