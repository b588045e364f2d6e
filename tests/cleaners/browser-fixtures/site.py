#!/usr/bin/env python3
"""The local site the browsers visit while the fixtures are made: 127.0.0.1 only.

Pages chain to one another by script, so one start address gives visits, cookies (first-party,
and partitioned ones set by a frame of another site), a download, a filled form and icons.
"""
import http.server
import sys
import urllib.parse

PORT = int(sys.argv[1])
OTHER = f"http://localhost:{PORT}"  # another site on the same address: frames from it are third-party
ICON = bytes.fromhex(
    "89504e470d0a1a0a0000000d4948445200000001000000010806000000"
    "1f15c4890000000d49444154789c63f8cfc0f01f0005000201e2f6b4b50000000049454e44ae426082")


def page(title, body, cookie=None, next_url=None, delay=1500):
    # A page opened with "stay" in its address does not lead on (the driver goes on from there).
    nav = (f"<script>if(!location.search.includes('stay'))"
           f"setTimeout(()=>location.href='{next_url}',{delay})</script>" if next_url else "")
    return title, (f"<!doctype html><html><head><meta charset=utf-8><title>{title}</title>"
                   f"<link rel=icon href=/icon.png></head><body>{body}{nav}</body></html>"), cookie


PAGES = {
    "/": page("Start page", "<p>start</p>", "visitor=alpha; Max-Age=86400000; Path=/", "/news.html"),
    "/news.html": page("News of the day", f"<iframe src='{OTHER}/frame.html'></iframe>",
                       "theme=dark; Max-Age=86400000; Path=/", "/search?q=tidewhisk+secret+term"),
    "/search": page("Search results", "<p>results</p>", None, "/form.html"),
    "/form.html": page("Form page",
                       "<form id=f action=/thanks.html><input name=email id=email>"
                       "<input name=city id=city><input type=submit></form>"
                       "<script>if(!location.search.includes('stay'))setTimeout(()=>{"
                       "email.value='fixture@example.org';city.value='Lyon';f.requestSubmit()},800)"
                       "</script>"),
    "/thanks.html": page("Thanks", "<p>sent</p>", None, "/bookmarked.html"),
    "/bookmarked.html": page("Kept page", "<p>bookmark me</p>", None, "/download.html"),
    "/download.html": page("Downloads", "<a id=d href=/report.txt download>report</a>"
                           "<script>setTimeout(()=>d.click(),500)</script>", None, "/last.html", 3000),
    "/last.html": page("Last page", "<p>done</p>"),
    "/typed.html": page("Typed page", "<p>typed</p>"),
    "/frame.html": page("Frame", "<p>frame</p>",
                        "embedded=beta; Max-Age=86400000; Path=/; SameSite=None; Secure; Partitioned"),
}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path = urllib.parse.urlparse(self.path).path
        if path == "/icon.png" or path == "/favicon.ico":
            self.reply(200, "image/png", ICON)
        elif path == "/report.txt":
            self.reply(200, "text/plain", b"fixture download\n",
                       {"Content-Disposition": "attachment; filename=report.txt"})
        elif path in PAGES:
            _, html, cookie = PAGES[path]
            self.reply(200, "text/html; charset=utf-8", html.encode(),
                       {"Set-Cookie": cookie} if cookie else {})
        else:
            self.reply(404, "text/plain", b"none")

    def reply(self, code, kind, data, headers=None):
        self.send_response(code)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "max-age=3600")
        for k, v in (headers or {}).items():
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


http.server.ThreadingHTTPServer(("127.0.0.1", PORT), Handler).serve_forever()
