#!/usr/bin/env python3
"""Drives the headless browsers through their own remote protocols, so that they write what a
user's typing writes: typed addresses, form entries, a bookmark, a keyword, address-bar input.

  drive.py chromium <user-data-dir> <site>
  drive.py firefox <marionette-port> <site>

Both end by asking the browser to quit, so that it writes everything down as at a normal exit.
"""
import base64
import json
import os
import socket
import struct
import sys
import time


def wait_for(test, seconds=30):
    for _ in range(seconds * 10):
        value = test()
        if value:
            return value
        time.sleep(0.1)
    raise SystemExit("timed out")


# --- Chromium: the DevTools protocol over a WebSocket ----------------------------------------
class WebSocket:
    def __init__(self, port, path):
        self.sock = socket.create_connection(("127.0.0.1", port))
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            head += self.sock.recv(1)
        self.next_id = 0

    def send(self, text):
        data = text.encode()
        mask = os.urandom(4)
        size = len(data)
        head = bytes([0x81])
        if size < 126:
            head += bytes([0x80 | size])
        elif size < 65536:
            head += bytes([0x80 | 126]) + struct.pack(">H", size)
        else:
            head += bytes([0x80 | 127]) + struct.pack(">Q", size)
        self.sock.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def exact(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise EOFError
            data += chunk
        return data

    def receive(self):
        first, second = self.exact(2)
        size = second & 0x7F
        if size == 126:
            size = struct.unpack(">H", self.exact(2))[0]
        elif size == 127:
            size = struct.unpack(">Q", self.exact(8))[0]
        return self.exact(size).decode()

    def call(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        self.send(json.dumps(message))
        while True:
            reply = json.loads(self.receive())
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise SystemExit(f"{method}: {reply['error']}")
                return reply.get("result", {})


def chromium(user_data, site):
    port_file = os.path.join(user_data, "DevToolsActivePort")
    wait_for(lambda: os.path.exists(port_file) and open(port_file).read().count("\n") >= 1)
    port, path = open(port_file).read().split("\n")[:2]
    ws = WebSocket(int(port), path)
    target = ws.call("Target.createTarget", {"url": "about:blank"})["targetId"]
    session = ws.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
    ws.call("Page.enable", session=session)
    # Typed into the address bar: the start page, whose pages then lead on by themselves.
    ws.call("Page.navigate", {"url": site, "transitionType": "typed"}, session)
    time.sleep(20)
    # A search from the address bar, with the site as the default search engine.
    ws.call("Page.navigate", {"url": site + "search?q=tidewhisk+typed+search&stay=1",
                              "transitionType": "generated"}, session)
    time.sleep(3)
    ws.call("Page.navigate", {"url": site + "last.html?stay=1", "transitionType": "typed"}, session)
    time.sleep(3)
    try:
        ws.call("Browser.close")
    except EOFError:
        pass


# --- Firefox: Marionette ---------------------------------------------------------------------
class Marionette:
    def __init__(self, port):
        self.sock = wait_for(lambda: self.connect(port), 60)
        self.read()
        self.next_id = 0

    @staticmethod
    def connect(port):
        try:
            return socket.create_connection(("127.0.0.1", port))
        except OSError:
            return None

    def read(self):
        size = b""
        while not size.endswith(b":"):
            size += self.sock.recv(1)
        size = int(size[:-1])
        data = b""
        while len(data) < size:
            data += self.sock.recv(size - len(data))
        return json.loads(data)

    def call(self, name, params=None):
        self.next_id += 1
        data = json.dumps([0, self.next_id, name, params or {}]).encode()
        self.sock.sendall(str(len(data)).encode() + b":" + data)
        while True:
            reply = self.read()
            if reply[0] == 1 and reply[1] == self.next_id:
                if reply[2]:
                    raise SystemExit(f"{name}: {reply[2]}")
                return reply[3]


CHROME_SCRIPT = """
const [site, done] = arguments;
const {PlacesUtils} = ChromeUtils.importESModule("resource://gre/modules/PlacesUtils.sys.mjs");
const steps = [
  () => PlacesUtils.bookmarks.insert({parentGuid: PlacesUtils.bookmarks.toolbarGuid,
                                      url: site + "bookmarked.html", title: "Kept page"}),
  () => PlacesUtils.keywords.insert({keyword: "kw", url: site + "last.html"}),
  () => PlacesUtils.history.insert({url: site + "typed.html", title: "Typed page",
      visits: [{transition: PlacesUtils.history.TRANSITIONS.TYPED}]}),
  // What the address bar records when "new" was typed and news.html picked.
  async () => {
    for (const where of ["moz-src:///browser/components/urlbar/UrlbarUtils.sys.mjs",
                         "resource:///modules/UrlbarUtils.sys.mjs"]) {
      try {
        const {UrlbarUtils} = ChromeUtils.importESModule(where);
        return await UrlbarUtils.addToInputHistory(site + "news.html", "new");
      } catch (e) {}
    }
    throw new Error("no UrlbarUtils");
  },
];
(async () => {
  const results = [];
  for (const step of steps) {
    try { await step(); results.push("ok"); } catch (e) { results.push("failed: " + e); }
  }
  done(results.join("; "));
})();
"""


def firefox(port, site):
    m = Marionette(int(port))
    m.call("WebDriver:NewSession", {"capabilities": {}})
    m.call("WebDriver:Navigate", {"url": site})
    time.sleep(20)
    # A form filled in by typing, then sent.
    m.call("WebDriver:Navigate", {"url": site + "form.html?stay=1"})
    for field, text in (("email", "fixture@example.org"), ("city", "Lyon")):
        element = m.call("WebDriver:FindElement", {"using": "css selector", "value": "#" + field})
        element = element["value"] if "value" in element else element
        m.call("WebDriver:ElementSendKeys", {"id": list(element.values())[0], "text": text})
    button = m.call("WebDriver:FindElement", {"using": "css selector", "value": "input[type=submit]"})
    button = button["value"] if "value" in button else button
    m.call("WebDriver:ElementClick", {"id": list(button.values())[0]})
    time.sleep(3)
    m.call("Marionette:SetContext", {"value": "chrome"})
    print(m.call("WebDriver:ExecuteAsyncScript", {"script": CHROME_SCRIPT, "args": [site]}))
    time.sleep(2)
    try:
        m.call("Marionette:Quit", {"flags": ["eForceQuit"]})
    except (EOFError, OSError, json.JSONDecodeError, ValueError):
        pass


if __name__ == "__main__":
    {"chromium": chromium, "firefox": firefox}[sys.argv[1]](sys.argv[2], sys.argv[3])
