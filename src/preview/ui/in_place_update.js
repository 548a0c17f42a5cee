// Puts a new version of the shown document in place of it, changing only what changed. The
// program puts the new document's bytes, in base64, in place of atob's argument; the page's own
// decoder reads them, so that the text is the one a load would show.
(() => {
  'use strict';
  if (document.readyState !== 'complete') return false;
  const binary = atob('%1');
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  const next = new DOMParser().parseFromString(new TextDecoder(document.characterSet).decode(bytes), 'text/html');
  // Nothing that runs, or loads a document of its own, on either side.
  const active = 'script, iframe, frame, frameset, object, embed, noscript, portal, meta[http-equiv], base';
  const quiet = (doc) => doc.querySelector(active) === null &&
      doc.evaluate('//@*[starts-with(name(), "on")]', doc, null, XPathResult.ANY_UNORDERED_NODE_TYPE,
                   null).singleNodeValue === null;
  const sameAttributes = (a, b) => a.attributes.length === b.attributes.length &&
      Array.prototype.every.call(a.attributes, (x) => b.getAttributeNS(x.namespaceURI, x.localName) === x.value);
  const sameDoctype = (a, b) => (a === null) === (b === null) && (a === null || a.isEqualNode(b));
  if (!quiet(document) || !quiet(next) || !next.head.isEqualNode(document.head) ||
      !sameAttributes(next.documentElement, document.documentElement) || !sameDoctype(next.doctype, document.doctype)) {
    return false;
  }
  const syncAttributes = (cur, want) => {
    for (const a of Array.from(cur.attributes)) {
      if (!want.hasAttributeNS(a.namespaceURI, a.localName)) cur.removeAttributeNS(a.namespaceURI, a.localName);
    }
    for (const a of want.attributes) {
      if (cur.getAttributeNS(a.namespaceURI, a.localName) !== a.value) cur.setAttributeNS(a.namespaceURI, a.name, a.value);
    }
  };
  // Keeps the equal children at both ends and replaces those between; one changed element of
  // the same kind is gone into instead, so that only what changed is laid out again.
  const morph = (cur, want) => {
    syncAttributes(cur, want);
    const a = Array.from(cur.childNodes);
    const b = Array.from(want.childNodes);
    let start = 0;
    while (start < a.length && start < b.length && a[start].isEqualNode(b[start])) ++start;
    let endA = a.length;
    let endB = b.length;
    while (endA > start && endB > start && a[endA - 1].isEqualNode(b[endB - 1])) {
      --endA;
      --endB;
    }
    if (endA - start === 1 && endB - start === 1 && a[start].nodeType === Node.ELEMENT_NODE &&
        a[start].nodeName === b[start].nodeName && a[start].namespaceURI === b[start].namespaceURI) {
      morph(a[start], b[start]);
      return;
    }
    const after = endA < a.length ? a[endA] : null;
    for (let i = start; i < endA; ++i) a[i].remove();
    for (let i = start; i < endB; ++i) cur.insertBefore(document.importNode(b[i], true), after);
  };
  morph(document.body, next.body);
  void document.body.offsetHeight;  // laid out before the answer, which then means "shown"
  return true;
})()

