"""Plain WebSocket clients of the remote for the bench's load: each takes its snapshot, reads and
discards every change, answers the server's pings and pings like the page, every 5 s.

Only the standard library: the load is the server's work per client, not a browser's.
"""
import base64
import json
import os
import selectors
import socket
import struct
import threading
import time
from urllib.parse import quote, urlsplit


def _frame(payload, opcode=0x1):
    # Client frames are masked (RFC 6455 5.3).
    mask = os.urandom(4)
    head = bytes([0x80 | opcode])
    n = len(payload)
    if n < 126:
        head += bytes([0x80 | n])
    elif n < 65536:
        head += bytes([0x80 | 126]) + struct.pack("!H", n)
    else:
        head += bytes([0x80 | 127]) + struct.pack("!Q", n)
    return head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload))


class Client:
    def __init__(self, link):
        parts = urlsplit(link)
        self.token = parts.fragment
        self.sock = socket.create_connection((parts.hostname, parts.port), timeout=5)
        key = base64.b64encode(os.urandom(16)).decode()
        request = (f"GET /ws?t={quote(self.token, safe='')} HTTP/1.1\r\n"
                   f"Host: {parts.netloc}\r\nOrigin: http://{parts.netloc}\r\n"
                   "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                   f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n")
        self.sock.sendall(request.encode())
        reply = b""
        while b"\r\n\r\n" not in reply:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise ConnectionError("closed during the upgrade")
            reply += chunk
        head, self.buffer = reply.split(b"\r\n\r\n", 1)
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise ConnectionError(head.split(b"\r\n")[0].decode())
        self.sock.setblocking(False)
        self.snapshot = False
        self.messages = 0
        self.closed = False

    def send(self, message):
        self.sock.setblocking(True)
        self.sock.sendall(_frame(json.dumps(dict(t=self.token, **message)).encode()))
        self.sock.setblocking(False)

    def readable(self):
        try:
            chunk = self.sock.recv(65536)
        except BlockingIOError:
            return
        if not chunk:
            self.closed = True
            return
        self.buffer += chunk
        while len(self.buffer) >= 2:
            opcode, n, at = self.buffer[0] & 0x0F, self.buffer[1] & 0x7F, 2
            if n == 126:
                if len(self.buffer) < 4:
                    return
                n, at = struct.unpack("!H", self.buffer[2:4])[0], 4
            elif n == 127:
                if len(self.buffer) < 10:
                    return
                n, at = struct.unpack("!Q", self.buffer[2:10])[0], 10
            if len(self.buffer) < at + n:
                return
            payload, self.buffer = self.buffer[at:at + n], self.buffer[at + n:]
            if opcode == 0x9:
                self.sock.setblocking(True)
                self.sock.sendall(_frame(payload, 0xA))
                self.sock.setblocking(False)
            elif opcode == 0x8:
                self.closed = True
            elif opcode == 0x1:
                self.messages += 1
                if not self.snapshot and json.loads(payload).get("type") == "snapshot":
                    self.snapshot = True


class Crowd:
    """n clients served by one thread until stop()."""

    def __init__(self, link, n):
        self.clients = [Client(link) for _ in range(n)]
        self.selector = selectors.DefaultSelector()
        for c in self.clients:
            self.selector.register(c.sock, selectors.EVENT_READ, c)
        self.running = True
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        next_ping = time.monotonic() + 5
        while self.running:
            for key, _ in self.selector.select(timeout=0.5):
                key.data.readable()
            if time.monotonic() >= next_ping:
                next_ping += 5
                for c in self.clients:
                    if not c.closed:
                        c.send({"op": "ping"})

    def ready(self):
        return all(c.snapshot and not c.closed for c in self.clients)

    def messages(self):
        return sum(c.messages for c in self.clients)

    def stop(self):
        self.running = False
        self.thread.join()
        for c in self.clients:
            c.sock.close()
