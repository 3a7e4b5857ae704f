#!/usr/bin/env python3
"""Writes the compressed project fixtures with Python's own zlib, an encoder
independent of the program: b'VLM1' + zlib.compress(text, level).

The plain-text fixtures beside this script are written by hand; the
compressed ones are made from them. Run it from any folder:
    python3 make_fixtures.py
"""
import pathlib
import zlib

HERE = pathlib.Path(__file__).resolve().parent
MAGIC = b'VLM1'


def write(name, data):
    (HERE / name).write_bytes(data)


def main():
    basic = (HERE / 'basic.txt').read_bytes()
    for level in (1, 6, 9):
        write(f'basic_level{level}.vlm', MAGIC + zlib.compress(basic, level))

    # A save interrupted before the compressor finished: the whole text is
    # there, only the end of the stream (final block and checksum) is not.
    stream = zlib.compressobj(6)
    partial = stream.compress(basic) + stream.flush(zlib.Z_SYNC_FLUSH)
    write('truncated_end.vlm', MAGIC + partial)

    # The same stream cut in the middle of its data.
    whole = zlib.compress(basic, 6)
    write('truncated_middle.vlm', MAGIC + whole[: len(whole) // 2])

    # One bit flipped in the Adler-32 trailer.
    damaged = bytearray(whole)
    damaged[-1] ^= 0x01
    write('bad_checksum.vlm', MAGIC + bytes(damaged))

    # The magic and nothing after it.
    write('magic_only.vlm', MAGIC)

    # Fewer bytes than the magic: read as plain text.
    write('three_bytes.txt', b'VLM')

    # A stream that inflates to more than 1 GiB: a few megabytes on disk.
    # It is made at test time by the test itself, not stored here.


if __name__ == '__main__':
    main()
