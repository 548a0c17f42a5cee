// Removes WebRTC's constructors from a window before any script of the page runs. A frame the
// page makes itself starts as an empty document that no injected script reaches, so every way
// of putting an element into a document, and window.open, cleans the windows it brings along
// (and their own frames) before handing control back.
(function () {
  'use strict';
  var names = ['RTCPeerConnection', 'webkitRTCPeerConnection', 'RTCDataChannel', 'RTCIceTransport',
               'RTCRtpSender', 'RTCRtpReceiver', 'RTCRtpTransceiver', 'RTCSctpTransport',
               'RTCDtlsTransport', 'RTCIceCandidate', 'RTCSessionDescription'];
  function guard(win) {
    var patched;
    try { patched = win.__zorvikNoRtc; } catch (e) { return; }  // another origin: not ours
    if (patched) return;
    Object.defineProperty(win, '__zorvikNoRtc', {value: true});
    names.forEach(function (name) {
      try { Object.defineProperty(win, name, {value: undefined, writable: false, configurable: false}); } catch (e) {}
    });
    function guardFrames() {
      for (var i = 0; i < win.length; ++i) guard(win[i]);
    }
    function wrap(proto, name) {
      var original = proto && proto[name];
      if (typeof original !== 'function') return;
      Object.defineProperty(proto, name, {configurable: false, writable: false, value: function () {
        var result = original.apply(this, arguments);
        guardFrames();
        return result;
      }});
    }
    function wrapSetter(proto, name) {
      var d = proto && Object.getOwnPropertyDescriptor(proto, name);
      if (!d || !d.set) return;
      Object.defineProperty(proto, name, {configurable: false, get: d.get, set: function (v) {
        d.set.call(this, v);
        guardFrames();
      }});
    }
    function wrapGetter(proto, name) {
      var d = proto && Object.getOwnPropertyDescriptor(proto, name);
      if (!d || !d.get) return;
      Object.defineProperty(proto, name, {configurable: false, set: d.set, get: function () {
        var value = d.get.call(this);
        if (value) guard(value.defaultView || value);
        return value;
      }});
    }
    ['appendChild', 'insertBefore', 'replaceChild'].forEach(function (n) { wrap(win.Node.prototype, n); });
    ['append', 'prepend', 'before', 'after', 'replaceWith', 'replaceChildren', 'insertAdjacentElement',
     'insertAdjacentHTML', 'setHTMLUnsafe'].forEach(function (n) { wrap(win.Element.prototype, n); });
    ['append', 'prepend', 'replaceChildren'].forEach(function (n) { wrap(win.Document.prototype, n); });
    ['write', 'writeln'].forEach(function (n) { wrap(win.Document.prototype, n); });
    wrap(win.Range.prototype, 'insertNode');
    wrap(win.Range.prototype, 'surroundContents');
    ['innerHTML', 'outerHTML'].forEach(function (n) { wrapSetter(win.Element.prototype, n); });
    wrapSetter(win.ShadowRoot && win.ShadowRoot.prototype, 'innerHTML');
    [win.HTMLIFrameElement, win.HTMLFrameElement, win.HTMLObjectElement, win.HTMLEmbedElement].forEach(function (c) {
      if (!c) return;
      wrapGetter(c.prototype, 'contentWindow');
      wrapGetter(c.prototype, 'contentDocument');
    });
    var open = win.open;
    Object.defineProperty(win, 'open', {configurable: false, writable: false, value: function () {
      var opened = open.apply(this, arguments);
      if (opened) guard(opened);
      return opened;
    }});
    guardFrames();
  }
  guard(window);
})();
