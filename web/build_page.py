#!/usr/bin/env python3
"""Puts the page together: build_page.py SRC_DIR CORE_JS OUT_HTML.

One self-contained HTML file, so that it works both served and opened from
disk (where Chromium loads no module, worker or WebAssembly file beside the
page): the style and the page's script are inlined, and the worker (the
core's loader with its WebAssembly, then src/worker.js) is carried as base64
text that the page turns into a Blob worker. The Content-Security-Policy
allows exactly these scripts (by hash), the Blob worker, WebAssembly and no
network request.
"""
import base64
import hashlib
import os
import sys


def sha256(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode("utf-8")).digest()).decode() + "'"


def main():
    src, core_js, out = sys.argv[1:4]
    read = lambda name: open(os.path.join(src, name), encoding="utf-8").read()
    page, style, script = read("index.html"), read("style.css"), read("app.js")
    with open(core_js, encoding="utf-8") as f:
        worker = f.read() + "\n" + read("worker.js")
    csp = "; ".join([
        "default-src 'none'",
        f"script-src {sha256(script)} 'wasm-unsafe-eval'",
        f"style-src {sha256(style)}",
        "worker-src blob:",
        "connect-src 'none'",
        "base-uri 'none'",
        "form-action 'none'",
    ])
    parts = {
        "{{CSP}}": csp,
        "{{STYLE}}": f"<style>{style}</style>",
        "{{WORKER}}": '<script type="application/octet-stream" id="worker-source">'
                      + base64.b64encode(worker.encode("utf-8")).decode() + "</script>",
        "{{SCRIPT}}": f'<script type="module">{script}</script>',
    }
    for key, value in parts.items():
        if page.count(key) != 1:
            sys.exit(f"build_page.py: {key} must appear once in index.html")
        page = page.replace(key, value)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out + ".tmp", "w", encoding="utf-8") as f:
        f.write(page)
    os.replace(out + ".tmp", out)


if __name__ == "__main__":
    main()
