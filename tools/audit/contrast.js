// Runs inside a page (added by contrast.sh): for every piece of text, its colour and every
// colour it can sit on, and the WCAG contrast ratio between them. What lies beneath is read at
// the text's own place on the page (elementsFromPoint), layer by layer, with each stop of a
// gradient, translucent colours composited, pseudo-elements as optional layers, a picture as
// anything from black to white, and a CSS background picture by the backdrop of its SVG (the
// fill of its first full-size rectangle). Everything is measured twice: as shown, and with every
// :hover, :focus and :active rule in force. The result goes into <pre id="contrast-report"> as
// JSON lines for contrast.sh to read.
(async () => {
    const parse = (text) => {
        const m = /rgba?\(([^)]*)\)/.exec(text);
        if (!m) return null;
        const p = m[1].split(/[\s,/]+/).filter(Boolean).map(Number);
        return [p[0], p[1], p[2], p.length > 3 ? p[3] : 1];
    };
    const hexColour = (text) => {
        const probe = document.createElement('i');
        probe.style.color = text;
        document.body.append(probe);
        const colour = parse(getComputedStyle(probe).color);
        probe.remove();
        return colour;
    };
    const over = (top, bottom) => {
        const a = top[3];
        return [0, 1, 2].map((i) => top[i] * a + bottom[i] * (1 - a)).concat([1]);
    };
    const channel = (c) => {
        c /= 255;
        return c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4;
    };
    const luminance = (c) => 0.2126 * channel(c[0]) + 0.7152 * channel(c[1]) + 0.0722 * channel(c[2]);
    const ratio = (a, b) => {
        const [x, y] = [luminance(a), luminance(b)].sort((p, q) => q - p);
        return (x + 0.05) / (y + 0.05);
    };
    const hex = (c) => '#' + c.slice(0, 3).map((v) => Math.round(v).toString(16).padStart(2, '0')).join('');

    // The backdrop colours of an SVG picture used as a CSS background.
    const svgBackdrops = new Map();
    async function backdropOf(url) {
        if (svgBackdrops.has(url)) return svgBackdrops.get(url);
        let colours = null;
        try {
            const text = await (await fetch(url)).text();
            const svg = new DOMParser().parseFromString(text, 'image/svg+xml').documentElement;
            const box = (svg.getAttribute('viewBox') || '').split(/[\s,]+/).map(Number);
            const rect = [...svg.querySelectorAll('rect')].find(
                (r) => !r.getAttribute('x') && !r.getAttribute('y') && +r.getAttribute('width') >= box[2] &&
                    +r.getAttribute('height') >= box[3]);
            const fill = rect && rect.getAttribute('fill');
            const ref = fill && /url\(#([^)]+)\)/.exec(fill);
            if (ref) {
                colours = [...svg.querySelectorAll(`[id="${ref[1]}"] stop`)].map((s) => {
                    const c = hexColour(s.getAttribute('stop-color'));
                    c[3] *= +(s.getAttribute('stop-opacity') || 1);
                    return c;
                });
            } else if (fill) {
                colours = [hexColour(fill)];
            }
        } catch (e) {
            colours = null;
        }
        svgBackdrops.set(url, colours);
        return colours;
    }

    // One layer's colours: its background colour, then each gradient stop over it; null for a
    // layer that paints nothing.
    async function layerOf(style) {
        const colours = [];
        const bg = parse(style.backgroundColor);
        const image = style.backgroundImage;
        let stops = [];
        let picture = false;
        if (image && image !== 'none') {
            const url = /url\("?([^")]+)"?\)/.exec(image);
            if (url) {
                stops = (await backdropOf(url[1])) || [];
                picture = !stops.length;
            }
            stops = stops.concat((image.replace(/url\([^)]*\)/g, '').match(/rgba?\([^)]*\)/g) || []).map(parse));
        }
        if (picture) return {picture: true};
        if (!stops.length) return bg && bg[3] > 0 ? {colours: [bg]} : null;
        return {colours: stops, under: bg && bg[3] > 0 ? bg : null};
    }

    const shows = (style) => style.content && style.content !== 'none' && style.content !== 'normal' &&
        style.display !== 'none';

    // Every colour the text of `element` can sit on, opaque.
    async function backdrops(element, rect) {
        const x = rect.left + Math.min(rect.width / 2, 8);
        const y = rect.top + rect.height / 2;
        const stack = document.elementsFromPoint(x, y);
        const from = stack.indexOf(element);
        const layers = [];
        for (const e of from >= 0 ? stack.slice(from) : [element]) {
            const style = getComputedStyle(e);
            // A positioned pseudo-element may lie under the text (a decorative circle); one in
            // the flow lies beside it.
            for (const pseudo of ['::after', '::before']) {
                const ps = getComputedStyle(e, pseudo);
                if (shows(ps) && ['absolute', 'fixed'].includes(ps.position)) {
                    const layer = await layerOf(ps);
                    if (layer && !layer.picture) layers.push({...layer, optional: true});
                }
            }
            if (['IMG', 'svg', 'CANVAS', 'VIDEO', 'PICTURE'].includes(e.tagName) && e !== element) {
                layers.push({picture: true});
                break;
            }
            const layer = await layerOf(style);
            if (layer) layers.push(layer);
            if (layer && layer.picture) break;
            if (layer && !layer.under && layer.colours.every((c) => c[3] === 1)) break;
        }
        // From the bottom up, starting on the page's white canvas.
        let set = [[255, 255, 255, 1]];
        for (const layer of layers.reverse()) {
            if (layer.picture) {
                set = [[0, 0, 0, 1], [255, 255, 255, 1]];
                continue;
            }
            let next = layer.under ? set.map((c) => over(layer.under, c)) : set;
            next = next.flatMap((c) => layer.colours.map((s) => over(s, c)));
            set = layer.optional ? set.concat(next) : next;
        }
        return set;
    }

    function ownText(element) {
        for (const node of element.childNodes) {
            if (node.nodeType === Node.TEXT_NODE && node.textContent.trim()) return true;
        }
        const pseudoText = (p) => {
            const s = getComputedStyle(element, p);
            return shows(s) && /"[^"\s]+/.test(s.content);
        };
        return pseudoText('::before') || pseudoText('::after');
    }

    function name(element) {
        const cls = [...element.classList].map((c) => '.' + c).join('');
        const parent = element.parentElement;
        const up = parent && parent !== document.body ? name(parent).split(' ').slice(-1)[0] + ' ' : '';
        return up + element.tagName.toLowerCase() + cls;
    }

    async function measure(state) {
        const out = [];
        for (const element of document.body.querySelectorAll('*')) {
            if (['SCRIPT', 'STYLE', 'PRE'].includes(element.tagName) || !ownText(element)) continue;
            const style = getComputedStyle(element);
            if (style.visibility === 'hidden') continue;
            element.scrollIntoView({block: 'center', inline: 'center'});
            const rect = element.getBoundingClientRect();
            if (!rect.width || !rect.height) continue;
            let alpha = 1;
            for (let e = element; e; e = e.parentElement) alpha *= +getComputedStyle(e).opacity;
            const text = parse(style.color);
            text[3] *= alpha;
            for (const bg of await backdrops(element, rect)) {
                const shown = over(text, bg);
                out.push({state, element: name(element), text: hex(text) + (text[3] < 1 ? `@${text[3].toFixed(2)}` : ''),
                          background: hex(bg), ratio: +ratio(shown, bg).toFixed(2)});
            }
        }
        return out;
    }

    const still = document.createElement('style');
    still.textContent = '*, *::before, *::after { transition: none !important; animation: none !important; }';
    document.head.append(still);
    const results = await measure('shown');
    // Every :hover, :focus and :active rule in force at once.
    const forced = [];
    for (const sheet of document.styleSheets) {
        let rules;
        try { rules = sheet.cssRules; } catch (e) { continue; }
        const walk = (list) => {
            for (const rule of list) {
                if (rule.cssRules && !rule.selectorText) walk(rule.cssRules);
                else if (rule.selectorText && /:(hover|focus|active)/.test(rule.selectorText))
                    forced.push(rule.cssText.replace(/:(hover|focus-visible|focus-within|focus|active)/g, ''));
            }
        };
        walk(rules);
    }
    if (forced.length) {
        const sheet = document.createElement('style');
        sheet.textContent = forced.join('\n');
        document.head.append(sheet);
        results.push(...await measure('hovered'));
    }
    const report = document.createElement('pre');
    report.id = 'contrast-report';
    report.textContent = results.map((r) => JSON.stringify(r)).join('\n');
    document.body.append(report);
})();
