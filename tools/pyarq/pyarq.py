#!/usr/bin/env python3
"""pyarq: creates, lists and extracts archives of the Vantor Q-Mira archive format.

A second implementation of the format, in plain Python (zlib only), written on
its own so that the two can check each other: archives made here must extract
with the C++ engine and the other way round.

  pyarq.py c ARCHIVE [options] PATH...   create ARCHIVE from files and folders
  pyarq.py l ARCHIVE [-k KEY]            list the entries
  pyarq.py x ARCHIVE DEST [-k KEY]       extract into the folder DEST

Names are stored the way the component's relative path storage does without a
starting folder: a file given on the command line is stored under its name, a
folder under its name with everything below it ("docs\\.", "docs\\a.txt").
Segment files are named BASE-002.mmm, BASE-003.mmm ... beside the first one.
"""

import argparse
import datetime
import math
import os
import re
import struct
import sys
import time
import zlib

DEFAULT_SIGNATURE = 4664
HEADER_FIXED = 273
ENTRY_FIXED = 45

AF_ENCRYPTED, AF_COMPRESSED, AF_SOLID, AF_READONLY, AF_FINAL = 0x01, 0x02, 0x04, 0x08, 0x10
FF_FILE, FF_FOLDER, FF_FINAL_PART, FF_ENCRYPTED = 0x01, 0x02, 0x04, 0x08

LEVELS = {"max": 9, "normal": -1, "fast": 5, "superfast": 1, "none": 0}
ATTR_READONLY, ATTR_DIRECTORY, ATTR_ARCHIVE = 0x01, 0x10, 0x20
DAY_ZERO = datetime.datetime(1899, 12, 30)


class ArchiveError(Exception):
    pass


# ---- 80-bit extended floats ---------------------------------------------------

def ext80_pack(value):
    """The 10-byte x87 form of a float (exact: every double has one)."""
    value = float(value)
    sign = 0x8000 if math.copysign(1.0, value) < 0 else 0
    if value == 0:
        return struct.pack("<QH", 0, sign)
    if math.isinf(value):
        return struct.pack("<QH", 1 << 63, sign | 0x7FFF)
    if math.isnan(value):
        return struct.pack("<QH", 0xC000000000000000, 0x7FFF)
    m, e = math.frexp(abs(value))       # value = m * 2**e, 0.5 <= m < 1
    mantissa = int(m * (1 << 64))       # explicit integer bit on top
    return struct.pack("<QH", mantissa, sign | (e - 1 + 16383))


def ext80_unpack(data):
    mantissa, se = struct.unpack("<QH", data)
    sign = -1.0 if se & 0x8000 else 1.0
    exponent = se & 0x7FFF
    if exponent == 0x7FFF:
        return sign * math.inf if mantissa << 1 & 0xFFFFFFFFFFFFFFFF == 0 else math.nan
    if mantissa == 0:
        return sign * 0.0
    return sign * math.ldexp(mantissa, max(exponent, 1) - 16383 - 63)


# ---- the block checksum --------------------------------------------------------

def _checksum_words():
    table = []
    for n in range(256):
        c = n
        for _ in range(8):
            c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
        table.append(c)
    image = b"".join(struct.pack("<I", t) for t in table)
    # The lookup goes by byte offset into the table image, not by entry.
    return [struct.unpack_from("<I", image, i)[0] for i in range(256)]


_WORDS = _checksum_words()


def block_checksum(payload):
    """The value a block record stores: the complemented register."""
    reg = 0xFFFFFFFF
    words = _WORDS
    for b in payload:
        reg = (reg >> 8) ^ words[(reg ^ b) & 0xFF]
    return ~reg & 0xFFFFFFFF


# ---- Blowfish --------------------------------------------------------------------

def _pi_words(count):
    """The first `count` 32-bit words of pi's fractional hexadecimal digits, from
    the Bailey-Borwein-Plouffe series summed in fixed point."""
    bits = 32 * count + 64
    total = 0
    for k in range((bits + 3) // 4 + 2):
        s = 1 << (bits - 4 * k) if 4 * k <= bits else 0
        if not s:
            break
        total += 4 * s // (8 * k + 1) - 2 * s // (8 * k + 4) - s // (8 * k + 5) - s // (8 * k + 6)
    frac = (total - (3 << bits)) >> 64
    return [(frac >> (32 * (count - 1 - i))) & 0xFFFFFFFF for i in range(count)]


_INITIAL = None


def _initial_tables():
    global _INITIAL
    if _INITIAL is None:
        words = _pi_words(18 + 1024)
        _INITIAL = (words[:18], [words[18 + 256 * i:18 + 256 * (i + 1)] for i in range(4)])
    return _INITIAL


class Blowfish:
    """Blowfish with the component's key rule: a key text of 8 to 65 bytes (up
    to its first zero byte) is taken; any other runs on the unkeyed tables."""

    def __init__(self, key):
        key = key.split(b"\0", 1)[0]
        p, s = _initial_tables()
        self.p = list(p)
        self.s = [list(box) for box in s]
        if not 8 <= len(key) <= 65:
            return
        j = 0
        for i in range(18):
            word = 0
            for _ in range(4):
                word = (word << 8) | key[j]
                j = (j + 1) % len(key)
            self.p[i] ^= word
        l = r = 0
        for i in range(0, 18, 2):
            l, r = self._encipher(l, r)
            self.p[i], self.p[i + 1] = l, r
        for box in self.s:
            for i in range(0, 256, 2):
                l, r = self._encipher(l, r)
                box[i], box[i + 1] = l, r

    def _f(self, x):
        s0, s1, s2, s3 = self.s
        return ((((s0[x >> 24] + s1[(x >> 16) & 255]) & 0xFFFFFFFF) ^ s2[(x >> 8) & 255]) + s3[x & 255]) & 0xFFFFFFFF

    def _encipher(self, l, r):
        p = self.p
        for i in range(16):
            l ^= p[i]
            r ^= self._f(l)
            l, r = r, l
        l, r = r, l
        r ^= p[16]
        l ^= p[17]
        return l, r

    def _decipher(self, l, r):
        p = self.p
        for i in range(17, 1, -1):
            l ^= p[i]
            r ^= self._f(l)
            l, r = r, l
        l, r = r, l
        r ^= p[1]
        l ^= p[0]
        return l, r

    def encipher_ecb(self, data):
        out = bytearray()
        for i in range(0, len(data), 8):
            l, r = self._encipher(*struct.unpack_from(">II", data, i))
            out += struct.pack(">II", l, r)
        return bytes(out)

    def decipher_ecb(self, data):
        out = bytearray()
        for i in range(0, len(data), 8):
            l, r = self._decipher(*struct.unpack_from(">II", data, i))
            out += struct.pack(">II", l, r)
        return bytes(out)


_CIPHERS = {}


def _cipher(key):
    # The schedule is rebuilt for every block by the format's writers; building
    # it once per key gives the same tables.
    if key not in _CIPHERS:
        _CIPHERS[key] = Blowfish(key)
    return _CIPHERS[key]


def encipher_payload(payload, key):
    pad = (8 - len(payload) % 8) % 8
    return _cipher(key).encipher_ecb(payload + b"\0" * pad) + bytes([pad])


def decipher_payload(data, key):
    if len(data) < 1 or (len(data) - 1) % 8 or data[-1] > 7:
        raise ArchiveError("bad enciphered block")
    plain = _cipher(key).decipher_ecb(data[:-1])
    return plain[:len(plain) - data[-1]]


# ---- records -----------------------------------------------------------------------

def read_exact(f, n, what):
    """n bytes; a length beyond the end of the file is refused before reading."""
    if n > os.fstat(f.fileno()).st_size - f.tell():
        raise ArchiveError("file ends inside %s" % what)
    return f.read(n)


class Info:
    def __init__(self, count=0, size=0.0, compressed=0.0):
        self.count, self.size, self.compressed = count, size, compressed

    def pack(self):
        return struct.pack("<I", self.count) + ext80_pack(self.size) + ext80_pack(self.compressed)

    @classmethod
    def unpack(cls, data):
        return cls(struct.unpack_from("<I", data)[0], ext80_unpack(data[4:14]), ext80_unpack(data[14:24]))

    def copy(self):
        return Info(self.count, self.size, self.compressed)


class Header:
    def __init__(self):
        self.signature = DEFAULT_SIGNATURE
        self.version = 1
        self.random_id = 0
        self.block_size = 65536
        self.end_offset = 0
        self.segment = 1
        self.flags = 0
        self.archive = Info()
        self.segment_info = Info()
        self.user_data = bytes(132)
        self.reserved = bytes(64)
        self.comment = b""

    def size(self):
        return HEADER_FIXED + len(self.comment)

    def pack(self, extra_count=0):
        seg = self.segment_info
        if extra_count:
            seg = Info(seg.count + extra_count, seg.size, seg.compressed)
        return (struct.pack("<IiIIIIB", self.signature, self.version, self.random_id, self.block_size,
                            self.end_offset, self.segment & 0xFFFF, self.flags)
                + self.archive.pack() + seg.pack() + self.user_data + self.reserved
                + struct.pack("<I", len(self.comment)) + self.comment)

    @classmethod
    def read(cls, f, start=0):
        f.seek(start)
        data = f.read(HEADER_FIXED)
        if len(data) < HEADER_FIXED:
            raise ArchiveError("file ends inside the header")
        h = cls()
        (h.signature, h.version, h.random_id, h.block_size, h.end_offset, segment,
         h.flags) = struct.unpack_from("<IiIIIIB", data)
        h.segment = segment & 0xFFFF
        h.archive = Info.unpack(data[25:49])
        h.segment_info = Info.unpack(data[49:73])
        h.user_data = data[73:205]
        h.reserved = data[205:269]
        h.comment = read_exact(f, struct.unpack_from("<I", data, 269)[0], "the comment")
        return h


class Entry:
    def __init__(self, name=b""):
        self.name = name
        self.date = 0.0
        self.attr = 0
        self.segment = 1
        self.offset = 0
        self.start_offset = 0
        self.flags = 0
        self.size = 0
        self.compressed = 0
        self.part_size = 0
        self.part_compressed = 0

    def record_size(self):
        return ENTRY_FIXED + len(self.name)

    def pack(self):
        return (struct.pack("<I", len(self.name)) + self.name + ext80_pack(self.date)
                + struct.pack("<IHIIBiiii", self.attr, self.segment, self.offset, self.start_offset,
                              self.flags, self.size, self.compressed, self.part_size, self.part_compressed))

    @classmethod
    def read(cls, f):
        raw = f.read(4)
        if len(raw) < 4:
            raise ArchiveError("file ends inside an entry record")
        e = cls(read_exact(f, struct.unpack("<I", raw)[0], "an entry record"))
        rest = read_exact(f, ENTRY_FIXED - 4, "an entry record")
        e.date = ext80_unpack(rest[:10])
        (e.attr, e.segment, e.offset, e.start_offset, e.flags, e.size, e.compressed, e.part_size,
         e.part_compressed) = struct.unpack_from("<IHIIBiiii", rest, 10)
        if e.part_compressed < 0:
            raise ArchiveError("entry %r has a negative data length" % e.name)
        return e


# ---- names and dates ------------------------------------------------------------------

def segment_name(first, n):
    """Host path of segment n of the archive whose first segment is `first`."""
    folder, name = os.path.split(first)
    base, ext = os.path.splitext(name)
    base = re.sub(r"-[0-9]*$", "", base)
    if n == 1:
        return os.path.join(folder, base + ext)
    return os.path.join(folder, "%s-%03d.mmm" % (base, n))


def date_of(mtime):
    """The local date of a file as the platform's 2-second DOS form gives it."""
    t = time.localtime(mtime)
    days = (datetime.date(t.tm_year, t.tm_mon, t.tm_mday) - DAY_ZERO.date()).days
    return days + (t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec // 2 * 2) * 1000 / 86400000


def mtime_of(date):
    when = DAY_ZERO + datetime.timedelta(days=date)
    return time.mktime(when.timetuple()) + when.microsecond / 1e6


def ansi(text):
    return text.encode("cp1252", "replace")


def host(name):
    return name.decode("cp1252", "replace")


# ---- writing --------------------------------------------------------------------------

class Writer:
    """Builds an archive the way the component's writer does, segment by segment."""

    def __init__(self, path, block_size=65536, level=-1, compress=True, key=None, encrypt_archive=False,
                 encrypt_files=False, comment=b"", segment_size=0, random_id=None, signature=DEFAULT_SIGNATURE,
                 solid=False):
        if segment_size and segment_size < 3 * block_size:
            raise ArchiveError("segment size below three blocks")
        self.path = path
        self.level = level
        self.key = key
        self.encrypt_files = encrypt_files or encrypt_archive
        self.segment_size = segment_size
        self.writing_data = False
        self.part_has_blocks = False
        self.segments = []
        h = self.header = Header()
        h.signature = signature
        h.random_id = random_id if random_id is not None else int(time.monotonic() * 1000) & 0xFFFFFFFF
        h.block_size = block_size
        h.flags = AF_FINAL | (AF_COMPRESSED if compress else 0) | (AF_SOLID if solid else 0) \
            | (AF_ENCRYPTED if encrypt_archive else 0)
        h.comment = comment
        h.end_offset = h.size()
        self.data = bytearray(h.pack())

    # -- space
    def need_space(self, n):
        """Starts a new segment when n more bytes do not fit in this one."""
        if self.segment_size and 0 <= self.segment_size - len(self.data) < n:
            self.new_segment()
            return True
        return False

    def new_segment(self):
        h = self.header
        entry = self.entry if self.writing_data else None
        if entry is not None and self.part_has_blocks:
            h.end_offset = len(self.data)
            self.put(entry.offset, entry.pack())
        h.flags &= ~AF_FINAL
        self.put(0, h.pack(1 if self.writing_data else 0))
        self.segments.append(self.data)
        h.segment += 1
        h.segment_info = Info()
        h.flags |= AF_FINAL
        h.end_offset = h.size()
        self.data = bytearray(h.pack())
        if entry is not None:
            entry.part_size = entry.part_compressed = 0
            entry.offset = len(self.data)
            self.data += entry.pack()
            self.part_has_blocks = False

    def put(self, offset, data):
        self.data[offset:offset + len(data)] = data

    def write_header(self):
        self.put(0, self.header.pack())

    # -- entries
    def add_folder(self, name, date, attr=ATTR_DIRECTORY):
        e = Entry(name)
        e.date, e.attr, e.segment, e.flags = date, attr, self.header.segment, FF_FOLDER | FF_FINAL_PART
        self.need_space(e.record_size())
        e.offset = len(self.data)
        self.data += e.pack()
        self.header.end_offset = len(self.data)
        self.header.archive.count += 1
        self.header.segment_info.count += 1
        self.write_header()

    def add_file(self, name, content, date, attr=ATTR_ARCHIVE):
        h = self.header
        e = self.entry = Entry(name)
        e.date, e.attr, e.segment, e.flags, e.size = date, attr, h.segment, FF_FILE, len(content)
        self.need_space(e.record_size())
        e.offset = len(self.data)
        self.data += e.pack()
        if self.encrypt_files:
            e.flags |= FF_ENCRYPTED
        self.writing_data, self.part_has_blocks = True, False
        room = h.block_size + h.block_size // 100
        for pos in range(0, len(content), h.block_size):
            block = content[pos:pos + h.block_size]
            z = zlib.compressobj(self.level, zlib.DEFLATED, 15, 8, zlib.Z_DEFAULT_STRATEGY)
            packed = z.compress(block) + z.flush()
            if len(packed) > room:
                raise ArchiveError("could not compress a block of %s" % host(name))
            compressed = h.flags & AF_COMPRESSED and len(packed) < len(block)
            payload = packed if compressed else block
            checksum = block_checksum(payload)
            if e.flags & FF_ENCRYPTED:
                payload = encipher_payload(payload, self.key or b"")
            # The length is that of the payload as stored; negative for a plain block.
            length = len(payload) if compressed else -len(payload)
            if self.need_space(len(payload) + 8):
                e.start_offset = pos
            self.data += struct.pack("<iI", length, checksum) + payload
            self.part_has_blocks = True
            e.part_size += len(block)
            e.part_compressed += len(payload) + 8
            e.compressed += len(payload) + 8
            h.segment_info.size += len(block)
            h.segment_info.compressed += len(payload) + 8
        self.writing_data = False
        h.end_offset = len(self.data)
        e.flags |= FF_FINAL_PART
        self.put(e.offset, e.pack())
        h.archive.count += 1
        h.archive.size += e.size
        h.archive.compressed += e.compressed
        h.segment_info.count += 1
        self.write_header()

    def close(self):
        """Writes the segment files; the first one gets the final archive totals."""
        self.segments.append(self.data)
        if len(self.segments) > 1:
            first = self.segments[0]
            first[25:49] = self.header.archive.pack()
        for n, data in enumerate(self.segments, 1):
            with open(self.path if n == 1 else segment_name(self.path, n), "wb") as f:
                f.write(data)


def collect(paths):
    """(stored name, host path, is folder) for the command line's paths."""
    items = []
    for path in paths:
        path = os.path.normpath(path)
        top = os.path.basename(path)
        if not os.path.isdir(path):
            items.append((ansi(top), path, False))
            continue
        items.append((ansi(top + "\\."), path, True))
        for folder, dirs, files in os.walk(path):
            dirs.sort()
            rel = os.path.relpath(folder, os.path.dirname(path)).replace(os.sep, "\\")
            for d in dirs:
                items.append((ansi(rel + "\\" + d + "\\."), os.path.join(folder, d), True))
            for name in sorted(files):
                items.append((ansi(rel + "\\" + name), os.path.join(folder, name), False))
    return items


def attributes(path, folder):
    attr = ATTR_DIRECTORY if folder else ATTR_ARCHIVE
    if not os.access(path, os.W_OK):
        attr |= ATTR_READONLY
    return attr


def create(args):
    key = ansi(args.key) if args.key is not None else None
    common = dict(block_size=args.block_size, level=LEVELS[args.level], key=key,
                  encrypt_archive=key is not None and not args.encrypt_files, encrypt_files=args.encrypt_files,
                  signature=args.signature)
    items = collect(args.paths)

    def fill(writer):
        for name, path, folder in items:
            date = args.date if args.date is not None else date_of(os.stat(path).st_mtime)
            if folder:
                writer.add_folder(name, date)
            else:
                with open(path, "rb") as f:
                    writer.add_file(name, f.read(), date, attributes(path, False))

    comment = ansi(args.comment or "")
    if not args.solid:
        w = Writer(args.archive, compress=not args.store, comment=comment, segment_size=args.segment_size,
                   random_id=args.random_id, **common)
        fill(w)
        w.close()
        return
    # A solid archive: the files go into an inner archive (stored, not
    # enciphered), which becomes the only file of the outer one.
    inner = Writer(os.devnull, block_size=args.block_size, compress=False, comment=comment,
                   random_id=args.random_id, signature=args.signature)
    fill(inner)
    inner.segments.append(inner.data)
    inner_bytes = bytes(inner.segments[0])
    outer = Writer(args.archive, compress=not args.store, comment=comment, segment_size=args.segment_size,
                   random_id=args.random_id, solid=True, **common)
    date = args.date if args.date is not None else date_of(time.time())
    tick = int(time.monotonic() * 1000) & 0xFFFFFFFF
    outer.add_file(ansi("~Archiv-%X.tmp" % ((tick + 1) & 0xFFFFFFFF)), inner_bytes, date)
    outer.close()


# ---- reading --------------------------------------------------------------------------

class Reader:
    """Walks the entry chain of an archive over its segments."""

    def __init__(self, path, key=None, signature=DEFAULT_SIGNATURE):
        self.key = key
        self.signature = signature
        self.first = path
        self.f = open(path, "rb")
        try:
            self.header = self.check(Header.read(self.f), path)
            self.random_id = self.header.random_id
            if self.header.segment != 1:
                self.first = segment_name(path, 1)
                self.open_segment(1)
        except BaseException:
            self.f.close()
            raise

    def check(self, h, path):
        if h.signature != self.signature:
            raise ArchiveError('Bad signature: file "%s" is not a valid archive' % path)
        if h.version > 1:
            raise ArchiveError("Unknown version")
        if not 1024 <= h.block_size <= 64 << 20:
            raise ArchiveError("bad block size %d" % h.block_size)
        return h

    def open_segment(self, n):
        path = segment_name(self.first, n)
        if not os.path.exists(path):
            raise ArchiveError("segment %d not found: %s" % (n, path))
        self.f.close()
        self.f = open(path, "rb")
        h = self.check(Header.read(self.f), path)
        if n > 1 and (h.segment != n or h.random_id != self.random_id):
            raise ArchiveError("%s is not segment %d of this archive" % (path, n))
        self.header = h

    def entries(self):
        """Yields (entry, parts): parts is a generator of the file's block data;
        it must be consumed before the next entry."""
        self.f.seek(self.header.size())
        while True:
            if self.f.tell() >= self.header.end_offset:
                if self.header.flags & AF_FINAL:
                    return
                self.open_segment(self.header.segment + 1)
                self.f.seek(self.header.size())
                continue
            entry = Entry.read(self.f)
            yield entry, self.parts(entry)

    def parts(self, entry):
        """(offset in the file, bytes) for every block of the entry, in order."""
        first_name, first_size, first_date = entry.name, entry.size, entry.date
        while True:
            done, position = 0, entry.start_offset
            while done < entry.part_compressed:
                raw = self.f.read(8)
                if len(raw) < 8:
                    raise ArchiveError("file ends inside a block")
                length, stored = struct.unpack("<iI", raw)
                if abs(length) > self.header.block_size + self.header.block_size // 100:
                    raise ArchiveError("block of %d bytes is too long" % abs(length))
                payload = read_exact(self.f, abs(length), "a block")
                plain = payload
                if entry.flags & FF_ENCRYPTED:
                    try:
                        plain = decipher_payload(payload, self.key or b"")
                    except ArchiveError:
                        raise ArchiveError("%s: bad key" % host(entry.name)) from None
                if block_checksum(plain) != stored:
                    raise ArchiveError("%s: %s" % (host(entry.name),
                                                   "bad key" if entry.flags & FF_ENCRYPTED else "bad CRC"))
                if length >= 0:
                    d = zlib.decompressobj()
                    try:
                        data = d.decompress(plain, self.header.block_size)
                    except zlib.error:
                        data = None
                    if data is None or not d.eof:
                        raise ArchiveError("%s: could not uncompress block" % host(entry.name))
                else:
                    data = plain
                yield position, data
                position += len(data)
                done += abs(length) + 8
            if entry.flags & FF_FINAL_PART:
                return
            self.open_segment(self.header.segment + 1)
            self.f.seek(self.header.size())
            nxt = Entry.read(self.f)
            if (nxt.name, nxt.size, nxt.date) != (first_name, first_size, first_date):
                raise ArchiveError("This segment is not the next in the sequence")
            entry.__dict__.update(nxt.__dict__)

    def close(self):
        self.f.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def open_archive(path, key, signature, temp_files):
    """A reader of the archive's files: for a solid archive, of its inner archive."""
    reader = Reader(path, key, signature)
    if not reader.header.flags & AF_SOLID:
        return reader
    inner_path = path + ".inner.tmp"
    temp_files.append(inner_path)
    with reader, open(inner_path, "wb") as out:
        for entry, parts in reader.entries():
            for position, data in parts:
                out.seek(position)
                out.write(data)
            break  # the only entry
    return Reader(inner_path, key, signature)


def safe_parts(name):
    """The stored name as path components under the target: drives and leading
    backslashes go, and ".." is refused."""
    text = host(name).replace("/", "\\")
    if len(text) > 1 and text[1] == ":":
        text = text[2:]
    parts = [p for p in text.split("\\") if p not in ("", ".")]
    if ".." in parts:
        raise ArchiveError("refusing the name %r" % text)
    return parts


def extract(args):
    temp = []
    try:
        with open_archive(args.archive, ansi(args.key) if args.key is not None else None,
                          args.signature, temp) as reader:
            extract_entries(reader, args.dest)
    finally:
        for path in temp:
            if os.path.exists(path):
                os.remove(path)


def extract_entries(reader, dest):
    for entry, parts in reader.entries():
        target = os.path.join(dest, *safe_parts(entry.name))
        if entry.flags & FF_FOLDER:
            os.makedirs(target, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(target) or ".", exist_ok=True)
        if os.path.exists(target):
            os.chmod(target, 0o644)
        with open(target, "wb") as out:
            for position, data in parts:
                out.seek(position)
                out.write(data)
            out.truncate(entry.size)
        os.utime(target, (time.time(), mtime_of(entry.date)))
        if entry.attr & ATTR_READONLY:
            os.chmod(target, 0o444)


def listing(args):
    with Reader(args.archive, None, args.signature) as outer:
        h = outer.header
        print("archive flags=0x%02X files=%d size=%d compressed=%d blocksize=%d comment=%s" % (
            h.flags, h.archive.count, h.archive.size, h.archive.compressed, h.block_size, host(h.comment)))
    temp = []
    try:
        with open_archive(args.archive, ansi(args.key) if args.key is not None else None,
                          args.signature, temp) as reader:
            for entry, parts in reader.entries():
                for _ in parts:
                    pass
                try:
                    when = (DAY_ZERO + datetime.timedelta(days=entry.date)).strftime("%Y-%m-%d %H:%M:%S")
                except (ValueError, OverflowError):
                    when = "?"
                print("%s\t%d\t%d\t0x%02X\t0x%02X\t%s\t%s" % (
                    "folder" if entry.flags & FF_FOLDER else "file", entry.size, entry.compressed,
                    entry.flags, entry.attr, when, host(entry.name)))
    finally:
        for path in temp:
            if os.path.exists(path):
                os.remove(path)


def main(argv=None):
    parser = argparse.ArgumentParser(prog="pyarq", description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    c = sub.add_parser("c", help="create an archive")
    c.add_argument("archive")
    c.add_argument("paths", nargs="+")
    c.add_argument("-b", "--block-size", type=int, default=65536)
    c.add_argument("-l", "--level", choices=sorted(LEVELS), default="normal")
    c.add_argument("--store", action="store_true", help="an archive without compression")
    c.add_argument("-k", "--key", help="encipher the archive with this key")
    c.add_argument("--encrypt-files", action="store_true", help="encipher the files, not the archive")
    c.add_argument("-m", "--comment")
    c.add_argument("--solid", action="store_true")
    c.add_argument("-s", "--segment-size", type=int, default=0, help="largest size of a segment file")
    c.add_argument("--random-id", type=int)
    c.add_argument("--date", type=float, help="date of every entry (days since 30 December 1899)")
    c.add_argument("--signature", type=int, default=DEFAULT_SIGNATURE)
    for name in ("l", "x"):
        p = sub.add_parser(name, help="list the entries" if name == "l" else "extract")
        p.add_argument("archive")
        if name == "x":
            p.add_argument("dest")
        p.add_argument("-k", "--key")
        p.add_argument("--signature", type=int, default=DEFAULT_SIGNATURE)
    args = parser.parse_args(argv)
    if args.command == "c" and args.block_size < 1024:
        parser.error("the block size is at least 1024")
    try:
        {"c": create, "l": listing, "x": extract}[args.command](args)
    except (ArchiveError, OSError) as e:
        print("pyarq: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
