#!/usr/bin/env python3
"""Prints what a Windows shortcut (.lnk) starts, one line each:

    target=PATH
    workdir=PATH
    arguments=TEXT

    lnk_info.py FILE.lnk

Reads the shell link format: the header, the item id list (skipped), the link
information with the target's local path, then the counted strings (name,
relative path, working directory, arguments, ...).
"""
import struct
import sys

HAS_ID_LIST = 0x1
HAS_LINK_INFO = 0x2
HAS_NAME = 0x4
HAS_RELATIVE_PATH = 0x8
HAS_WORKING_DIR = 0x10
HAS_ARGUMENTS = 0x20
IS_UNICODE = 0x80


def main():
    data = open(sys.argv[1], 'rb').read()
    if len(data) < 76 or struct.unpack_from('<I', data, 0)[0] != 0x4C:
        sys.exit('not a shell link: %s' % sys.argv[1])
    flags = struct.unpack_from('<I', data, 20)[0]
    at = 76
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from('<H', data, at)[0]
    target = ''
    if flags & HAS_LINK_INFO:
        size, header_size, info_flags, _, base_offset = struct.unpack_from('<IIIII', data, at)
        if info_flags & 1:  # volume id and local base path
            end = data.index(b'\0', at + base_offset)
            target = data[at + base_offset:end].decode('mbcs' if sys.platform == 'win32' else 'latin-1')
        at += size
    strings = {}
    for flag, name in ((HAS_NAME, 'name'), (HAS_RELATIVE_PATH, 'relative'), (HAS_WORKING_DIR, 'workdir'),
                       (HAS_ARGUMENTS, 'arguments')):
        if not flags & flag:
            continue
        count = struct.unpack_from('<H', data, at)[0]
        at += 2
        if flags & IS_UNICODE:
            # Wine counts the terminating NUL too; Windows does not.
            strings[name] = data[at:at + 2 * count].decode('utf-16-le').rstrip('\0')
            at += 2 * count
        else:
            strings[name] = data[at:at + count].decode('latin-1').rstrip('\0')
            at += count
    print('target=%s' % target)
    print('workdir=%s' % strings.get('workdir', ''))
    print('arguments=%s' % strings.get('arguments', ''))


if __name__ == '__main__':
    main()
