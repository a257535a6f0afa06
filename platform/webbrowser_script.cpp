#include "platform/webbrowser_script.h"

#include <QJsonDocument>

namespace WebBrowserScript {

namespace {

// Kept as one raw string so the library ships inside the program. Plain ES5
// style on purpose: it is short, and every engine version runs it.
const char kLibrary[] = R"JS(
window.__tmrDom = (function () {
  'use strict';

  // ---- HTML in the program's page form ----------------------------------
  // Tag names in capitals, attribute values without quotes when they are a
  // plain word, link and picture addresses resolved, the well-known
  // attribute names in mixed case (vAlign, colSpan): the form in which the
  // page readers' marker texts match a fetched page and a shown one alike.
  function set(words) {
    var o = Object.create(null);
    words.split(' ').forEach(function (w) { o[w] = true; });
    return o;
  }
  var VOID = set('AREA BASE BASEFONT BGSOUND BR COL EMBED FRAME HR IMG INPUT KEYGEN LINK META PARAM SOURCE TRACK WBR');
  var RAW = set('SCRIPT STYLE XMP IFRAME NOEMBED NOFRAMES NOSCRIPT PLAINTEXT');
  var BOOL = set('checked selected disabled readonly multiple nowrap noshade noresize ismap defer compact declare nohref');
  var NAMES = {
    valign: 'vAlign', bgcolor: 'bgColor', colspan: 'colSpan', rowspan: 'rowSpan',
    cellpadding: 'cellPadding', cellspacing: 'cellSpacing', maxlength: 'maxLength',
    readonly: 'readOnly', tabindex: 'tabIndex', accesskey: 'accessKey', nowrap: 'noWrap',
    usemap: 'useMap', ismap: 'isMap', frameborder: 'frameBorder', marginwidth: 'marginWidth',
    marginheight: 'marginHeight', bordercolor: 'borderColor', bordercolorlight: 'borderColorLight',
    bordercolordark: 'borderColorDark', hspace: 'hSpace', vspace: 'vSpace', datetime: 'dateTime',
    longdesc: 'longDesc', noshade: 'noShade', noresize: 'noResize', alink: 'aLink', vlink: 'vLink',
    topmargin: 'topMargin', leftmargin: 'leftMargin', bottommargin: 'bottomMargin',
    rightmargin: 'rightMargin'
  };
  var PLAIN = /^[A-Za-z0-9_.#-]+$/;

  function escText(s) {
    return s.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/\u00a0/g, '&nbsp;');
  }
  function escAttr(s) {
    return s.replace(/&/g, '&amp;').replace(/"/g, '&quot;');
  }
  function attrValue(el, a) {
    var n = a.name.toLowerCase(), tag = el.tagName;
    if (n === 'href' && (tag === 'A' || tag === 'AREA') && typeof el.href === 'string')
      return el.href;
    if (n === 'src' && tag === 'IMG' && typeof el.src === 'string')
      return el.src;
    return a.value;
  }
  function serializeChildren(node, out) {
    for (var c = node.firstChild; c; c = c.nextSibling)
      serializeNode(c, out);
  }
  function serializeNode(node, out) {
    switch (node.nodeType) {
    case 1: {
      var tag = node.tagName.toUpperCase();
      out.push('<', tag);
      var attrs = node.attributes;
      for (var i = 0; i < attrs.length; i++) {
        var a = attrs[i], lower = a.name.toLowerCase(), name = NAMES[lower] || a.name;
        var v = attrValue(node, a);
        if (BOOL[lower] && (v === '' || v.toLowerCase() === lower))
          out.push(' ', name);
        else if (PLAIN.test(v))
          out.push(' ', name, '=', v);
        else
          out.push(' ', name, '="', escAttr(v), '"');
      }
      out.push('>');
      if (VOID[tag])
        return;
      if (RAW[tag])
        out.push(node.textContent);
      else
        serializeChildren(tag === 'TEMPLATE' && node.content ? node.content : node, out);
      out.push('</', tag, '>');
      return;
    }
    case 3:
      out.push(escText(node.data));
      return;
    case 8:
      out.push('<!--', node.data, '-->');
      return;
    default:
      return;
    }
  }
  function innerHtml(node) {
    var out = [];
    if (node)
      serializeChildren(node, out);
    return out.join('');
  }

  // ---- elements by id ---------------------------------------------------
  // Every element whose id matches without regard to case, in document
  // order. The index is rebuilt only when elements come or go or an id
  // changes, so a page rewritten row by row stays cheap to address.
  var index = null, indexRoot = null, watched = null;
  function structural(records) {
    for (var i = 0; i < records.length; i++) {
      var r = records[i];
      if (r.type === 'attributes')
        return true;
      var lists = [r.addedNodes, r.removedNodes];
      for (var l = 0; l < 2; l++)
        for (var j = 0; j < lists[l].length; j++)
          if (lists[l][j].nodeType === 1)
            return true;
    }
    return false;
  }
  var observer = new MutationObserver(function (records) {
    if (structural(records))
      index = null;
  });
  function currentIndex() {
    if (watched !== document) {
      observer.disconnect();
      observer.observe(document, { childList: true, subtree: true, attributes: true, attributeFilter: ['id'] });
      watched = document;
      index = null;
    }
    if (structural(observer.takeRecords()))
      index = null;
    if (!index || indexRoot !== document.documentElement) {
      index = Object.create(null);
      indexRoot = document.documentElement;
      var all = document.querySelectorAll('[id]');
      for (var i = 0; i < all.length; i++) {
        var key = all[i].id.toLowerCase();
        (index[key] || (index[key] = [])).push(all[i]);
      }
    }
    return index;
  }
  function elementsById(id) {
    return currentIndex()[String(id).toLowerCase()] || [];
  }
  function element(id, i) {
    return elementsById(id)[i] || null;
  }
  // How many elements carry each id, and the texts of those with the ids
  // asked for; no layout needed.
  function pageIds(textIds) {
    var all = currentIndex(), counts = {}, texts = {};
    for (var key in all)
      counts[key] = all[key].length;
    (textIds || []).forEach(function (id) { texts[id] = elementsById(id).map(text); });
    return { counts: counts, texts: texts };
  }

  // ---- properties -------------------------------------------------------
  function hex2(n) {
    var s = Number(n).toString(16);
    return s.length < 2 ? '0' + s : s;
  }
  // Colours were given as bare hexadecimal digits ("800000"); CSS wants "#".
  function colourIn(v) {
    v = String(v);
    return /^([0-9a-fA-F]{3}|[0-9a-fA-F]{6})$/.test(v) ? '#' + v : v;
  }
  function colourOut(v) {
    var m = /^rgb\(\s*(\d+),\s*(\d+),\s*(\d+)\s*\)$/.exec(v);
    return m ? '#' + hex2(m[1]) + hex2(m[2]) + hex2(m[3]) : v;
  }
  // The old filters: Gray() shows the element in shades of grey,
  // Alpha(Opacity=n) makes it translucent; anything else is taken as CSS.
  function filterIn(v) {
    var t = String(v).trim(), m;
    if (t === '')
      return '';
    if (/^gray\s*(\(\s*\))?$/i.test(t) || /grayscale\s*=\s*1/i.test(t))
      return 'grayscale(100%)';
    if ((m = /^alpha\s*\(\s*opacity\s*=\s*(\d+)\s*\)$/i.exec(t)))
      return 'opacity(' + m[1] + '%)';
    return t;
  }
  // What an element's filter style reads as when no name was written with
  // it (a page written with the style already in place).
  function filterOut(css) {
    var m;
    if (/^grayscale\((100%|1)\)$/.test(css))
      return 'Gray()';
    if ((m = /^opacity\((\d+)%\)$/.exec(css)))
      return 'Alpha(Opacity=' + m[1] + ')';
    return css;
  }
  function link(el, name, v) {
    if (v === undefined)
      return typeof el[name] === 'string' ? el[name] : (el.getAttribute(name) || '');
    el.setAttribute(name, String(v));
  }
  // An element holding nothing but text (the usual case: the list's cells)
  // is read without laying the page out, which keeps reads between writes
  // cheap; white space shows as it would on screen, as one blank.
  function text(el) {
    if (el.firstElementChild)
      return el.innerText;
    return el.textContent.replace(/[ \t\n\r\f]+/g, ' ').replace(/^ | $/g, '');
  }
  function pageOffset(el, top) {
    var r = el.getBoundingClientRect();
    return Math.round(top ? r.top + window.pageYOffset : r.left + window.pageXOffset);
  }
  var GET = {
    exists: function () { return true; },
    tagName: function (el) { return el.tagName.toUpperCase(); },
    innerText: function (el) { return text(el); },
    innerHTML: function (el) { return innerHtml(el); },
    outerHTML: function (el) { var out = []; serializeNode(el, out); return out.join(''); },
    title: function (el) { return el.title; },
    href: function (el) { return link(el, 'href'); },
    src: function (el) { return link(el, 'src'); },
    value: function (el) { return el.value === undefined ? (el.getAttribute('value') || '') : String(el.value); },
    color: function (el) { return colourOut(el.style.color); },
    backgroundColor: function (el) { return colourOut(el.style.backgroundColor); },
    filter: function (el) { return el.__tmrFilter !== undefined ? el.__tmrFilter : filterOut(el.style.filter); },
    styleText: function (el) { return el.style.cssText; },
    offsetTop: function (el) { return el.offsetTop; },
    offsetLeft: function (el) { return el.offsetLeft; },
    offsetHeight: function (el) { return el.offsetHeight; },
    offsetWidth: function (el) { return el.offsetWidth; },
    pageTop: function (el) { return pageOffset(el, true); },
    pageLeft: function (el) { return pageOffset(el, false); }
  };
  var SET = {
    // A cell that holds one text node gets the new text in that node: the
    // same page, without replacing the node (no structural change to track).
    innerText: function (el, v) {
      v = String(v);
      var t = el.firstChild;
      if (t && !t.nextSibling && t.nodeType === 3 && !/[\r\n]/.test(v) && v !== '')
        t.data = v;
      else
        el.innerText = v;
    },
    innerHTML: function (el, v) { el.innerHTML = String(v); },
    title: function (el, v) { el.title = String(v); },
    href: function (el, v) { link(el, 'href', v); },
    src: function (el, v) { link(el, 'src', v); },
    value: function (el, v) { if ('value' in el) el.value = String(v); else el.setAttribute('value', String(v)); },
    color: function (el, v) { el.style.color = colourIn(v); },
    backgroundColor: function (el, v) { el.style.backgroundColor = colourIn(v); },
    filter: function (el, v) { el.__tmrFilter = String(v); el.style.filter = filterIn(v); },
    styleText: function (el, v) { el.style.cssText = String(v); }
  };

  // ---- the page as a whole ----------------------------------------------
  function scroller() {
    return document.scrollingElement || document.body || document.documentElement;
  }
  var METRIC = {
    scrollTop: function (s) { return s.scrollTop; },
    scrollLeft: function (s) { return s.scrollLeft; },
    clientHeight: function (s) { return s.clientHeight; },
    clientWidth: function (s) { return s.clientWidth; },
    scrollHeight: function (s) { return s.scrollHeight; },
    scrollWidth: function (s) { return s.scrollWidth; }
  };
  function findForm(f) {
    var forms = document.forms;
    if (typeof f === 'number')
      return forms[f] || null;
    var byName = forms.namedItem(String(f));
    if (byName && byName.tagName)
      return byName;
    var key = String(f).toLowerCase();
    for (var i = 0; i < forms.length; i++)
      if ((forms[i].getAttribute('name') || '').toLowerCase() === key || forms[i].id.toLowerCase() === key)
        return forms[i];
    return null;
  }
  function findField(form, name) {
    var el = form.elements.namedItem(String(name));
    if (!el) {
      var key = String(name).toLowerCase();
      for (var i = 0; i < form.elements.length; i++) {
        var e = form.elements[i];
        if ((e.getAttribute('name') || '').toLowerCase() === key || e.id.toLowerCase() === key) {
          el = e;
          break;
        }
      }
    }
    if (el && !el.tagName && el.length)
      el = el[0];
    return el || null;
  }

  var OPS = {
    count: function (id) { return elementsById(id).length; },
    texts: function (id) { return elementsById(id).map(text); },
    ids: function (textIds) { return pageIds(textIds); },
    get: function (id, i, prop) {
      var el = element(id, i);
      return el ? GET[prop](el) : null;
    },
    // Writes in bulk: ids and property names once, then id number, index,
    // property number and value for each write.
    setMany: function (ids, props, flat) {
      var lists = ids.map(elementsById);
      for (var i = 0; i + 3 < flat.length; i += 4) {
        var el = lists[flat[i]][flat[i + 1]];
        if (el)
          SET[props[flat[i + 2]]](el, flat[i + 3]);
      }
      return true;
    },
    set: function (id, i, prop, v) {
      var el = element(id, i);
      if (!el)
        return false;
      SET[prop](el, v);
      return true;
    },
    click: function (id, i) {
      var el = element(id, i);
      if (!el)
        return false;
      el.click();
      return true;
    },
    documentHtml: function () { return innerHtml(document.documentElement); },
    bodyHtml: function () { return document.body ? innerHtml(document.body) : null; },
    title: function () { return document.title; },
    hasBody: function () { return !!document.body; },
    metric: function (name) { return METRIC[name](scroller()); },
    setScrollTop: function (v) { scroller().scrollTop = Number(v); return true; },
    scrollBy: function (x, y) { window.scrollBy(Number(x), Number(y)); return true; },
    formCount: function () { return document.forms.length; },
    formField: function (f, name, v) {
      var form = findForm(f), el = form && findField(form, name);
      if (!el)
        return false;
      if ('value' in el)
        el.value = String(v);
      else
        el.setAttribute('value', String(v));
      return true;
    },
    formSubmit: function (f) {
      var form = findForm(f);
      if (!form)
        return false;
      // The prototype's submit: a field named "submit" hides form.submit.
      HTMLFormElement.prototype.submit.call(form);
      return true;
    },
    // False when the document refuses: once a navigation has cut its parser
    // off, a document ignores open and write for good.
    open: function () { document.open(); index = null; return document.childNodes.length === 0; },
    write: function (text) { document.write(String(text)); return true; },
    close: function () { document.close(); return true; },
    // A whole document parsed apart and put in place at once. The parser of
    // a written document hands the page to layout again and again as it
    // goes; this lays out once. Refused (false, nothing changed) for a text
    // with scripts, which would not run, or one that would show the page in
    // another mode (quirks or standards) than it has. Read in the same call,
    // the new page's ids come back before the browser lays it out.
    replace: function (text, textIds) {
      text = String(text);
      if (/<script/i.test(text))
        return false;
      var parsed = new DOMParser().parseFromString(text, 'text/html');
      if (parsed.compatMode !== document.compatMode)
        return false;
      var root = document.adoptNode(parsed.documentElement);
      if (document.documentElement)
        document.replaceChild(root, document.documentElement);
      else
        document.appendChild(root);
      index = null;
      return pageIds(textIds);
    }
  };

  return {
    run: function (batch) {
      var result = null;
      for (var i = 0; i < batch.length; i++) {
        var op = batch[i];
        try {
          result = OPS[op[0]].apply(null, op.slice(1));
          if (result === undefined)
            result = null;
        } catch (e) {
          result = null;
        }
      }
      return result;
    }
  };
})();
)JS";

} // namespace

const QString &library()
{
    static const QString text = QString::fromUtf8(kLibrary);
    return text;
}

QString batchScript(const QJsonArray &batch)
{
    const QString json = QString::fromUtf8(QJsonDocument(batch).toJson(QJsonDocument::Compact));
    return QStringLiteral("(function () { if (typeof window.__tmrDom !== 'object') {\n") + library()
        + QStringLiteral("\n}\nreturn window.__tmrDom.run(") + json + QStringLiteral("); })()");
}

QString shortBatchScript(const QJsonArray &batch)
{
    const QString json = QString::fromUtf8(QJsonDocument(batch).toJson(QJsonDocument::Compact));
    return QStringLiteral("(typeof window.__tmrDom === 'object' ? window.__tmrDom.run(") + json
        + QStringLiteral(") : '\\u0001missing')");
}

QString missingLibrary()
{
    return QStringLiteral("\u0001missing");
}

} // namespace WebBrowserScript
