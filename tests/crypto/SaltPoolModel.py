#!/usr/bin/env python3
# A model of the salt pool written apart from the program, used to make the
# known answers of SaltPool.KnownOutputFromAFixedEntropySource: the SHA-1
# compression function (checked against hashlib), the 13-step mix, the
# refresh and the reads, fed three bytes a call from a counter from 0.
import hashlib
import struct

N = 260


def rol(x, n):
    return ((x << n) | (x >> (32 - n))) & 0xFFFFFFFF


def compress(h, block):
    w = list(struct.unpack(">16I", bytes(block)))
    for t in range(16, 80):
        w.append(rol(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1))
    a, b, c, d, e = h
    for t in range(80):
        if t < 20:
            f, k = (b & c) | (~b & d), 0x5A827999
        elif t < 40:
            f, k = b ^ c ^ d, 0x6ED9EBA1
        elif t < 60:
            f, k = (b & c) | (b & d) | (c & d), 0x8F1BBCDC
        else:
            f, k = b ^ c ^ d, 0xCA62C1D6
        a, b, c, d, e = (rol(a, 5) + f + e + k + w[t]) & 0xFFFFFFFF, a, rol(b, 30), c, d
    return [(x + y) & 0xFFFFFFFF for x, y in zip(h, [a, b, c, d, e])]


def mix(buf):
    # Step i chains from the 20 bytes before it (the last 20 for i = 0),
    # read as little-endian words, and compresses the 64 bytes from i onward,
    # wrapping round to the start.
    for i in range(0, N, 20):
        j = (i - 20) % N
        h = list(struct.unpack("<5I", bytes(buf[j:j + 20])))
        h = compress(h, [buf[(i + k) % N] for k in range(64)])
        buf[i:i + 20] = struct.pack("<5I", *h)


class Pool:
    def __init__(self):
        self.counter = 0
        self.pool, self.out, self.pos = bytearray(N), bytearray(N), 0
        self.refresh()
        for _ in range(20):
            mix(self.pool)
        self.refresh()

    def entropy(self, count):
        n = min(count, 3)
        data = bytes((self.counter + i) & 0xFF for i in range(n))
        self.counter += n
        return data

    def refresh(self):
        self.out[:] = self.pool
        filled = 0
        while filled < N:
            data = self.entropy(N - filled)
            self.pool[filled:filled + len(data)] = data
            filled += len(data)
        for i in range(N):
            self.pool[i] ^= ~self.out[i] & 0xFF
        mix(self.pool)
        mix(self.out)

    def read(self, n):
        data = bytearray()
        while n:
            take = min(N - self.pos, n)
            data += self.out[self.pos:self.pos + take]
            self.pos, n = self.pos + take, n - take
            if self.pos == N:
                self.refresh()
                self.pos = 0
        return bytes(data)


block = bytearray(64)
block[0:3], block[3], block[63] = b"abc", 0x80, 24
iv = [0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0]
assert struct.pack(">5I", *compress(iv, block)) == hashlib.sha1(b"abc").digest()

zero = bytearray(N)
mix(zero)
print("mix of zeros", zero[:20].hex(), zero[240:].hex())
out = Pool().read(600)
for at, n in ((0, 16), (240, 32), (560, 40)):
    print(at, out[at:at + n].hex())
