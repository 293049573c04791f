#!/usr/bin/env python3
"""Checks of pyarq on its own: the format's fixed values, published Blowfish
vectors, and round trips of every kind of archive it makes."""

import os
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pyarq  # noqa: E402


def run(*argv):
    return pyarq.main([str(a) for a in argv])


class FixedValues(unittest.TestCase):
    def test_checksum(self):
        self.assertEqual(pyarq.block_checksum(b"abc"), 0x932BC606)
        self.assertEqual(pyarq.block_checksum(b""), 0)

    def test_ext80(self):
        rows = [(1.0, "0000000000000080ff3f"), (36526.5, "000000000080ae8e0e40"),
                (-2.0, "000000000000008000c0"), (0.0, "00000000000000000000"),
                (65536.0 * 3, "00000000000000c01040")]
        for value, packed in rows:
            self.assertEqual(pyarq.ext80_pack(value).hex(), packed, value)
            self.assertEqual(pyarq.ext80_unpack(bytes.fromhex(packed)), value)
        for value in (1e-310, 1 / 3, 2.0 ** 70, 1234567.125):
            self.assertEqual(pyarq.ext80_unpack(pyarq.ext80_pack(value)), value)

    def test_segment_names(self):
        j = os.path.join
        self.assertEqual(pyarq.segment_name(j("d", "prog.bak"), 2), j("d", "prog-002.mmm"))
        self.assertEqual(pyarq.segment_name(j("d", "dados-002.mmm"), 2), j("d", "dados-002.mmm"))
        self.assertEqual(pyarq.segment_name(j("d", "dados-002.mmm"), 1), j("d", "dados.mmm"))
        self.assertEqual(pyarq.segment_name(j("d", "backup-2003.bak"), 1), j("d", "backup.bak"))
        self.assertEqual(pyarq.segment_name("x-.bak", 15), "x-015.mmm")
        self.assertEqual(pyarq.segment_name("x.bak", 1000), "x-1000.mmm")


class BlowfishVectors(unittest.TestCase):
    # Eric Young's test data for Blowfish (keys without a zero byte).
    VECTORS = [
        ("FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"),
        ("0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"),
        ("FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"),
        ("7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"),
        ("0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"),
        ("FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"),
    ]

    def test_tables_from_pi(self):
        p, s = pyarq._initial_tables()
        self.assertEqual(p[0], 0x243F6A88)
        self.assertEqual(p[17], 0x8979FB1B)
        self.assertEqual(s[0][0], 0xD1310BA6)
        self.assertEqual(s[3][255], 0x3AC372E6)

    def test_published_vectors(self):
        for key, plain, cipher in self.VECTORS:
            bf = pyarq.Blowfish(bytes.fromhex(key))
            self.assertEqual(bf.encipher_ecb(bytes.fromhex(plain)).hex().upper(), cipher)
            self.assertEqual(bf.decipher_ecb(bytes.fromhex(cipher)).hex().upper(), plain)

    def test_key_lengths(self):
        key = bytes.fromhex("F0E1D2C3B4A5968778695A4B3C2D1E0F")
        plain = bytes.fromhex("FEDCBA9876543210")
        self.assertEqual(pyarq.Blowfish(key[:8]).encipher_ecb(plain).hex().upper(), "E87A244E2CC85E82")
        self.assertEqual(pyarq.Blowfish(key[:16]).encipher_ecb(plain).hex().upper(), "93142887EE3BE15C")
        unkeyed = pyarq.Blowfish(b"").encipher_ecb(plain)
        self.assertEqual(pyarq.Blowfish(key[:7]).encipher_ecb(plain), unkeyed)
        self.assertEqual(pyarq.Blowfish(b"k" * 66).encipher_ecb(plain), unkeyed)
        self.assertNotEqual(pyarq.Blowfish(b"k" * 65).encipher_ecb(plain), unkeyed)

    def test_block_payloads(self):
        for n, total, pad in ((13, 17, 3), (16, 17, 0), (0, 1, 0)):
            data = bytes(range(n))
            enciphered = pyarq.encipher_payload(data, b"the archive key")
            self.assertEqual((len(enciphered), enciphered[-1]), (total, pad))
            self.assertEqual(pyarq.decipher_payload(enciphered, b"the archive key"), data)


class RoundTrips(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        src = self.src = os.path.join(self.dir, "src")
        os.makedirs(os.path.join(src, "docs", "sub", "empty"))
        self.files = {
            os.path.join("docs", "a.txt"): b"hello world\n" * 500,
            os.path.join("docs", "zero.bin"): b"",
            os.path.join("docs", "sub", "noise.bin"): os.urandom(5000),
            os.path.join("docs", "sub", "ação.txt"): "Instalação\n".encode("utf-8") * 300,
        }
        for name, data in self.files.items():
            with open(os.path.join(src, name), "wb") as f:
                f.write(data)
        os.utime(os.path.join(src, "docs", "a.txt"), (0, 1000000001))  # an odd second

    def tearDown(self):
        self.tmp.cleanup()

    def roundtrip(self, *options, key=None, name="t.bak"):
        archive = os.path.join(self.dir, name)
        out = os.path.join(self.dir, "out-" + name)
        key_args = ["-k", key] if key else []
        self.assertEqual(run("c", archive, os.path.join(self.src, "docs"), *options, *key_args), 0)
        self.assertEqual(run("x", archive, out, *key_args), 0)
        for rel, data in self.files.items():
            with open(os.path.join(out, rel), "rb") as f:
                self.assertEqual(f.read(), data, rel)
        self.assertTrue(os.path.isdir(os.path.join(out, "docs", "sub", "empty")))
        # Dates come back with the 2-second resolution of DOS dates.
        self.assertEqual(os.stat(os.path.join(out, "docs", "a.txt")).st_mtime, 1000000000)
        return archive

    def entries(self, archive, key=None):
        reader = pyarq.Reader(archive, key)
        found = []
        for entry, parts in reader.entries():
            for _ in parts:
                pass
            found.append(entry)
        reader.close()
        return reader, found

    def test_levels_and_storing(self):
        for level in sorted(pyarq.LEVELS):
            self.roundtrip("-l", level, name=level + ".bak")
        stored = self.roundtrip("--store", name="stored.bak")
        with open(stored, "rb") as f:
            header = pyarq.Header.read(f)
        self.assertEqual(header.flags, pyarq.AF_FINAL)

    def test_names_flags_and_totals(self):
        archive = self.roundtrip("-m", "comentário")
        reader, found = self.entries(archive)
        names = [e.name for e in found]
        self.assertEqual(names[0], b"docs\\.")
        self.assertIn("docs\\sub\\ação.txt".encode("cp1252"), names)
        self.assertIn(b"docs\\sub\\empty\\.", names)
        h = reader.header
        self.assertEqual(h.comment, "comentário".encode("cp1252"))
        self.assertEqual(h.archive.count, len(found))
        self.assertEqual(h.archive.size, sum(len(d) for d in self.files.values()))
        self.assertEqual(h.archive.compressed, sum(e.compressed for e in found))
        self.assertEqual(h.end_offset, os.path.getsize(archive))
        zero = next(e for e in found if e.name.endswith(b"zero.bin"))
        self.assertEqual((zero.part_size, zero.part_compressed, zero.flags), (0, 0, pyarq.FF_FILE | pyarq.FF_FINAL_PART))

    def test_empty_archive_is_its_header(self):
        path = os.path.join(self.dir, "empty.bak")
        w = pyarq.Writer(path, comment=b"abc")
        w.close()
        self.assertEqual(os.path.getsize(path), 276)
        reader, found = self.entries(path)
        self.assertEqual(found, [])

    def test_enciphered(self):
        self.roundtrip(key="the archive key")
        archive = self.roundtrip("--encrypt-files", key="another key 123", name="files.bak")
        with open(archive, "rb") as f:
            self.assertFalse(pyarq.Header.read(f).flags & pyarq.AF_ENCRYPTED)
        self.assertEqual(run("x", archive, os.path.join(self.dir, "bad"), "-k", "wrong key 12"), 1)

    def test_corruption_is_reported(self):
        archive = self.roundtrip("--store", name="corrupt.bak")
        with open(archive, "r+b") as f:
            f.seek(-10, os.SEEK_END)
            byte = f.read(1)
            f.seek(-10, os.SEEK_END)
            f.write(bytes([byte[0] ^ 0xFF]))
        self.assertEqual(run("x", archive, os.path.join(self.dir, "bad")), 1)
        with open(archive, "r+b") as f:
            f.seek(273)  # the first entry's name length
            f.write(struct.pack("<I", 0x7FFFFFFF))
        self.assertEqual(run("l", archive), 1)

    def test_segments(self):
        archive = self.roundtrip("-b", "2048", "-s", "6144", "--store", name="seg.bak")
        self.assertTrue(os.path.exists(os.path.join(self.dir, "seg-002.mmm")))
        reader, found = self.entries(archive)
        self.assertEqual(reader.header.flags & pyarq.AF_FINAL, pyarq.AF_FINAL)
        with open(archive, "rb") as f:
            first = pyarq.Header.read(f)
        self.assertFalse(first.flags & pyarq.AF_FINAL)
        self.assertEqual(first.archive.count, len(found))  # brought up to date at the end
        for n in range(1, reader.header.segment + 1):
            size = os.path.getsize(pyarq.segment_name(archive, n))
            self.assertLessEqual(size, 6144, n)
        # Opening a later segment looks for segment 1 by the name rule: seg-002.mmm
        # gives seg.mmm, which is not there.
        self.assertEqual(run("x", pyarq.segment_name(archive, 2), os.path.join(self.dir, "from2")), 1)
        os.rename(archive, os.path.join(self.dir, "seg.mmm"))
        self.assertEqual(run("x", pyarq.segment_name(archive, 2), os.path.join(self.dir, "from2")), 0)

    def test_part_records_across_three_segments(self):
        src = os.path.join(self.dir, "big.bin")
        with open(src, "wb") as f:
            f.write(os.urandom(14000))
        archive = os.path.join(self.dir, "three.bak")
        self.assertEqual(run("c", archive, src, "-b", "2048", "-s", "6144"), 0)
        records = []
        n = 1
        while True:
            with open(pyarq.segment_name(archive, n), "rb") as f:
                h = pyarq.Header.read(f)
                f.seek(h.size())
                while f.tell() < h.end_offset:
                    e = pyarq.Entry.read(f)
                    records.append((n, e.start_offset, bool(e.flags & pyarq.FF_FINAL_PART), e.part_size))
                    f.seek(e.part_compressed, os.SEEK_CUR)
            if h.flags & pyarq.AF_FINAL:
                break
            n += 1
        self.assertGreaterEqual(len(records), 3)
        self.assertEqual(records[0][1:3], (0, False))
        self.assertTrue(records[-1][2])
        self.assertEqual([r[0] for r in records], list(range(1, len(records) + 1)))
        offsets = [r[1] for r in records]
        self.assertEqual(offsets, [sum(r[3] for r in records[:i]) for i in range(len(records))])
        self.assertEqual(run("x", archive, os.path.join(self.dir, "three")), 0)
        with open(src, "rb") as a, open(os.path.join(self.dir, "three", "big.bin"), "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_solid(self):
        archive = self.roundtrip("--solid", "-m", "solid one", name="solid.bak")
        reader, found = self.entries(archive)
        self.assertTrue(reader.header.flags & pyarq.AF_SOLID)
        self.assertEqual(len(found), 1)
        self.assertTrue(found[0].name.startswith(b"~Archiv-"))
        self.roundtrip("--solid", "-b", "2048", "-s", "8192", key="solid key 1234", name="solidseg.bak")

    def test_refuses_names_that_leave_the_target(self):
        self.assertEqual(pyarq.safe_parts(b"C:\\data\\a.txt"), ["data", "a.txt"])
        self.assertEqual(pyarq.safe_parts(b"\\\\server\\share\\a"), ["server", "share", "a"])
        with self.assertRaises(pyarq.ArchiveError):
            pyarq.safe_parts(b"docs\\..\\..\\etc\\passwd")


if __name__ == "__main__":
    unittest.main()
