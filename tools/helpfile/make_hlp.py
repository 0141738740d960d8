#!/usr/bin/env python3
"""Writes a WinHelp 3.1 help file (.hlp) from a plain topics file.

make_hlp.py TOPICS OUTPUT [--title TEXT]

The topics file: "@topic <context id> <map number> <title>" starts a topic, blank lines
separate paragraphs, "#" lines are comments; the first topic is the contents
topic, and the first paragraph of each topic is set as its heading.

What is written, laid out as the WinHelp 3.1 format describes it: the file
header, the internal files |SYSTEM (title, contents topic), |FONT (two
fonts), |TOPIC (uncompressed 4 KB blocks of topic links: one topic header
and one text record per paragraph) and |CONTEXT (a B+ tree from the hash of
each context id to its topic offset), |CTXOMAP (map numbers for
HELP_CONTEXT) and the internal directory, itself a
B+ tree. No compression of any kind. The output depends only on the input,
so builds are reproducible.
"""

import argparse
import re
import struct
import sys

HELP_MAGIC = 0x00035F3F
SYSTEM_MAGIC = 0x036C
SYSTEM_MINOR_31 = 21
BTREE_MAGIC = 0x293B
FILE_FLAGS = 4

TOPIC_BLOCK_SIZE = 0x1000
TOPIC_BLOCK_HEADER = 12
BLOCK_DATA = TOPIC_BLOCK_SIZE - TOPIC_BLOCK_HEADER  # no compression
TOPIC_LINK_HEADER = 21

RECORD_TOPIC_HEADER = 2
RECORD_TEXT = 0x20

SYSREC_TITLE = 1
SYSREC_COPYRIGHT = 2
SYSREC_CONTENTS = 3

FONT_NORMAL = 0
FONT_HEADING = 1

# Hash table of context ids (values are signed bytes).
_HASH_TABLE = bytes([
    0x00, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    0xF0, 0x0B, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0x0C, 0xFF,
    0x0A, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0D,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0x80, 0x81, 0x82, 0x83, 0x0B, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F,
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
])


def context_hash(name):
    """Signed 32-bit hash of a context id, as the viewer computes it."""
    h = 0
    for ch in name.encode("ascii"):
        v = _HASH_TABLE[ch]
        if v >= 0x80:
            v -= 0x100
        h = (h * 43 + v) & 0xFFFFFFFF
    if not name:
        h = 1
    return h - 0x100000000 if h >= 0x80000000 else h


def compressed_signed_long(value):
    assert -16384 <= value < 16384, value
    return struct.pack("<H", (value + 16384) * 2)


def compressed_unsigned_short(value):
    if value < 128:
        return bytes([value * 2])
    assert value < 32768, value
    return struct.pack("<H", value * 2 + 1)


def read_topics(path):
    topics = []
    paragraph = []

    def end_paragraph():
        if paragraph and topics:
            topics[-1]["paragraphs"].append(" ".join(paragraph))
        paragraph.clear()

    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith("#"):
                continue
            if line.startswith("@topic "):
                end_paragraph()
                _, context, map_id, title = line.split(" ", 3)
                topics.append({"context": context, "map_id": int(map_id), "title": title.strip(),
                               "paragraphs": []})
            elif not line.strip():
                end_paragraph()
            else:
                paragraph.append(line.strip())
    end_paragraph()
    if not topics:
        sys.exit("no topics in " + path)
    return topics


class TopicStream:
    """The |TOPIC data before it is cut into blocks: topic links laid end to
    end, each placed at a position of the uncompressed block data."""

    def __init__(self):
        self.links = []  # (position, record type, linkdata1, linkdata2)
        self.size = 0

    def add(self, record_type, data1, data2):
        pos = self.size
        self.links.append([pos, record_type, data1, data2])
        self.size += TOPIC_LINK_HEADER + len(data1) + len(data2)
        return len(self.links) - 1


def topic_pos(pos):
    """TOPICPOS of a position in the block data."""
    block, offset = divmod(pos, BLOCK_DATA)
    return block * BLOCK_DATA + offset + TOPIC_BLOCK_HEADER


LINK_RE = re.compile(r"\[\[([^|\]]+)\|([A-Za-z0-9_.]+)\]\]")


def paragraph_record(text, font):
    """LinkData1 and LinkData2 of one text record holding one paragraph, and
    the jumps in it as (place of the topic offset in LinkData1, context id).

    "[[text|context]]" in the text is a jump to the topic of that context.
    The viewer shows a string of LinkData2, then applies the next command of
    LinkData1, and so on."""
    strings = [b""]
    commands = [bytes([0x80]) + struct.pack("<H", font)]
    jumps = []
    pos = 0
    for m in LINK_RE.finditer(text):
        strings.append(text[pos:m.start()].encode("cp1252"))
        commands.append(b"\xE3" + b"\0\0\0\0")  # topic jump, offset later
        jumps.append((len(commands) - 1, m.group(2)))
        strings.append(m.group(1).encode("cp1252"))
        commands.append(b"\x89")  # end of the jump's text
        pos = m.end()
    strings.append(text[pos:].encode("cp1252"))
    commands.append(b"\x82")  # end of paragraph
    data2 = b"".join(x + b"\0" for x in strings)

    head = bytearray()
    head += compressed_signed_long(len(data2))    # TopicSize
    head += compressed_unsigned_short(len(data2))  # TopicLength
    head += bytes([0x00, 0x80]) + struct.pack("<H", 0)  # paragraph id
    head += struct.pack("<H", 0)                   # no paragraph settings
    data1 = bytearray(head)
    places = []
    for i, c in enumerate(commands):
        for n, context in jumps:
            if n == i:
                places.append((len(data1) + 1, context))
        data1 += c
    data1 += b"\xFF"  # end of formatting
    return bytearray(data1), data2, places


def build_topic_file(topics):
    """Returns the |TOPIC bytes and the topic offset of every topic."""
    stream = TopicStream()
    header_links = []
    jumps = []
    for number, topic in enumerate(topics):
        index = stream.add(RECORD_TOPIC_HEADER, b"\0" * 28, topic["title"].encode("cp1252") + b"\0")
        header_links.append(index)
        for i, text in enumerate(topic["paragraphs"]):
            font = FONT_HEADING if i == 0 else FONT_NORMAL
            data1, data2, places = paragraph_record(text, font)
            index = stream.add(RECORD_TEXT, data1, data2)
            jumps.extend((index, place, context) for place, context in places)

    links = stream.links
    # Topic offsets: block number of the header link and the characters of
    # the text records that start earlier in that block.
    offsets = []
    for index in header_links:
        block = links[index][0] // BLOCK_DATA
        chars = 0
        for pos, rtype, d1, d2 in links[:index]:
            if rtype == RECORD_TEXT and pos // BLOCK_DATA == block:
                chars += len(d2)
        offsets.append(block * 0x8000 + chars)

    by_context = {t["context"]: off for t, off in zip(topics, offsets)}
    for index, place, context in jumps:
        if context not in by_context:
            sys.exit("jump to unknown topic " + context)
        links[index][2][place:place + 4] = struct.pack("<l", by_context[context])

    # Topic headers: browse sequence in file order, scroll region = first
    # text record, next topic header.
    for n, index in enumerate(header_links):
        end = header_links[n + 1] if n + 1 < len(header_links) else len(links)
        size = sum(TOPIC_LINK_HEADER + len(l[2]) + len(l[3]) for l in links[index:end])
        back = offsets[n - 1] if n > 0 else -1
        forth = offsets[n + 1] if n + 1 < len(offsets) else -1
        scroll = topic_pos(links[index + 1][0]) if index + 1 < end else -1
        next_topic = topic_pos(links[header_links[n + 1]][0]) if n + 1 < len(header_links) else -1
        links[index][2] = struct.pack("<lllllll", size, back, forth, n, -1, scroll, next_topic)

    data = bytearray()
    for i, (pos, rtype, d1, d2) in enumerate(links):
        prev = topic_pos(links[i - 1][0]) if i > 0 else -1
        nxt = topic_pos(links[i + 1][0]) if i + 1 < len(links) else -1
        data1_len = TOPIC_LINK_HEADER + len(d1)
        block_size = data1_len + len(d2)
        assert len(data) == pos
        data += struct.pack("<lllll", block_size, len(d2), prev, nxt, data1_len)
        data += bytes([rtype]) + d1 + d2

    # Cut into blocks, each with its header.
    out = bytearray()
    nblocks = max(1, -(-len(data) // BLOCK_DATA))
    last_header = -1
    for b in range(nblocks):
        start, end = b * BLOCK_DATA, (b + 1) * BLOCK_DATA
        starting = [l for l in links if start <= l[0] < end]
        before = [l for l in links if l[0] < start]
        last_link = topic_pos(before[-1][0]) if before else -1
        first_link = topic_pos(starting[0][0]) if starting else -1
        for l in before:
            if l[1] == RECORD_TOPIC_HEADER:
                last_header = topic_pos(l[0])
        out += struct.pack("<lll", last_link, first_link, last_header)
        chunk = data[start:end]
        out += chunk + b"\0" * (BLOCK_DATA - len(chunk))
    return bytes(out), offsets


def build_system_file(title, contents_offset):
    data = bytearray(struct.pack("<HHHLH", SYSTEM_MAGIC, SYSTEM_MINOR_31, 1, 0, 0))

    def record(rtype, payload):
        data.extend(struct.pack("<HH", rtype, len(payload)))
        data.extend(payload)

    record(SYSREC_TITLE, title.encode("cp1252") + b"\0")
    record(SYSREC_COPYRIGHT, b"Tavix\0")
    record(SYSREC_CONTENTS, struct.pack("<L", contents_offset))
    return bytes(data)


def build_font_file():
    face_size = 32
    faces = [b"Arial"]
    # Attributes, half points, family (3 = swiss), face index, colours.
    descriptors = [
        struct.pack("<BBBH3s3s", 0, 20, 3, 0, b"\0\0\0", b"\xff\xff\xff"),
        struct.pack("<BBBH3s3s", 1, 24, 3, 0, b"\0\0\x80", b"\xff\xff\xff"),
    ]
    faces_offset = 8
    descriptors_offset = faces_offset + face_size * len(faces)
    data = bytearray(struct.pack("<HHHH", len(faces), len(descriptors), faces_offset, descriptors_offset))
    for f in faces:
        data += f + b"\0" * (face_size - len(f))
    for d in descriptors:
        data += d
    return bytes(data)


def build_btree(entries, structure, page_size, directory):
    """A B+ tree with one leaf page; entries are (key bytes, value bytes)
    already sorted."""
    body = b"".join(k + v for k, v in entries)
    header_size = 8
    if header_size + len(body) > page_size:
        sys.exit("B+ tree needs more than one page")
    unused = page_size - header_size - len(body)
    page = struct.pack("<Hhhh", unused, len(entries), -1, -1) + body + b"\0" * unused
    flags = 0x0002 | (0x0400 if directory else 0)
    structure_field = structure.encode("ascii") + b"\0" * (16 - len(structure))
    header = struct.pack("<HHH", BTREE_MAGIC, flags, page_size) + structure_field
    header += struct.pack("<hhhhhhl", 0, 0, 0, -1, 1, 1, len(entries))
    return header + page


def internal_file(content):
    return struct.pack("<llB", len(content) + 9, len(content), FILE_FLAGS) + content


def build_help_file(topics, title):
    topic_file, offsets = build_topic_file(topics)
    contexts = sorted((context_hash(t["context"]), off) for t, off in zip(topics, offsets))
    context_file = build_btree([(struct.pack("<l", h), struct.pack("<l", o)) for h, o in contexts],
                               "L4", 0x800, False)
    map_entries = sorted((t["map_id"], off) for t, off in zip(topics, offsets))
    map_file = struct.pack("<H", len(map_entries)) + b"".join(struct.pack("<ll", m, o) for m, o in map_entries)
    files = {
        "|CONTEXT": context_file,
        "|CTXOMAP": map_file,
        "|FONT": build_font_file(),
        "|SYSTEM": build_system_file(title, offsets[0]),
        "|TOPIC": topic_file,
    }
    out = bytearray(16)
    places = []
    for name in sorted(files):
        places.append((name, len(out)))
        out += internal_file(files[name])
    directory = build_btree([(n.encode("ascii") + b"\0", struct.pack("<l", off)) for n, off in places],
                            "z4", 0x400, True)
    directory_start = len(out)
    out += internal_file(directory)
    out[0:16] = struct.pack("<llll", HELP_MAGIC, directory_start, -1, len(out))
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("topics")
    parser.add_argument("output")
    parser.add_argument("--title", default="Hyper Marvane Help")
    args = parser.parse_args()
    data = build_help_file(read_topics(args.topics), args.title)
    with open(args.output, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
