"""Small picture files made from scratch for the drawing tests: a PNG through
zlib, and a baseline JPEG of one grey level (every 8 x 8 block holds only its
DC value, coded with one-symbol Huffman tables)."""
import struct
import zlib


def png(width, height, rgb=(200, 40, 40), dpi=None):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    if dpi:
        ppm = round(dpi / 0.0254)
        out += chunk(b"pHYs", struct.pack(">IIB", ppm, ppm, 1))
    return out + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def jpeg(width, height, dpi=72):
    def segment(marker, data):
        return b"\xff" + bytes([marker]) + struct.pack(">H", len(data) + 2) + data
    jfif = b"JFIF\x00\x01\x01\x01" + struct.pack(">HH", dpi, dpi) + b"\x00\x00"
    dqt = b"\x00" + bytes([1] * 64)
    sof = struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00"
    # One code of length 1 in each table: DC category 0, AC end of block.
    dht_dc = b"\x00" + bytes([1] + [0] * 15) + b"\x00"
    dht_ac = b"\x10" + bytes([1] + [0] * 15) + b"\x00"
    sos = b"\x01\x01\x00\x00\x3f\x00"
    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    bits = "00" * blocks
    bits += "1" * (-len(bits) % 8)
    scan = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
    return (b"\xff\xd8" + segment(0xE0, jfif) + segment(0xDB, dqt) + segment(0xC0, sof)
            + segment(0xC4, dht_dc) + segment(0xC4, dht_ac) + segment(0xDA, sos) + scan + b"\xff\xd9")


def bmp(width, height):
    stride = (width * 3 + 3) & ~3
    size = 54 + stride * height
    header = (b"BM" + struct.pack("<IHHI", size, 0, 0, 54)
              + struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0))
    return header + bytes((i * 7) & 0xFF for i in range(stride * height))
