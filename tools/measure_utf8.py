#!/usr/bin/python3
"""Measure that UTF-8 files of this machine stay UTF-8 under detection.

Takes UTF-8 files with non-ASCII bytes from /usr/share/doc/*/copyright,
/usr/share/common-licenses and the man pages under /usr/share/man/*/ (none of
the packages char_corpus.py keeps away), converts each with tavrel-convert
-v and counts those not read as UTF-8 (must be 0); then the same with one
stray 0xFF byte appended, which must fail as a UTF-8 error, never be read as
GBK.

Usage: /usr/bin/python3 tools/measure_utf8.py [--program build/bin/tavrel-convert] [--limit N]
"""

import argparse
import glob
import gzip
import os
import subprocess
import tempfile

import tables_common as tc


def candidates():
    paths = sorted(glob.glob('/usr/share/doc/*/copyright') + glob.glob('/usr/share/common-licenses/*')
                   + glob.glob('/usr/share/man/*/man*/*.gz'))
    for path in paths:
        if '/zh_' in path:
            continue
        try:
            data = gzip.open(path).read() if path.endswith('.gz') else open(path, 'rb').read()
            data.decode('utf-8')
        except (OSError, UnicodeError, EOFError):
            continue
        if any(b > 0x7F for b in data) and not data.startswith(b'\xef\xbb\xbf'):
            yield path, data


def verdict(program, data, tmp):
    src, dst = os.path.join(tmp, 'in.txt'), os.path.join(tmp, 'out.txt')
    with open(src, 'wb') as f:
        f.write(data)
    r = subprocess.run([program, '-s', '-v', src, dst], capture_output=True, text=True)
    return r.returncode, r.stderr


def main():
    root = os.path.dirname(tc.TOOLS_DIR)
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('--program', default=os.path.join(root, 'build', 'bin', 'tavrel-convert'))
    ap.add_argument('--limit', type=int, default=3000)
    args = ap.parse_args()
    files = misread = stray_ok = 0
    with tempfile.TemporaryDirectory() as tmp:
        for path, data in candidates():
            if files == args.limit:
                break
            files += 1
            rc, err = verdict(args.program, data, tmp)
            if 'read as UTF-8' not in err:
                misread += 1
                print('MISREAD %s: %s' % (path, err.strip()))
            rc, err = verdict(args.program, data + b'\xff', tmp)
            if rc != 0 and 'not a valid UTF-8' in err and 'offset %d' % len(data) in err:
                stray_ok += 1
            else:
                print('STRAY %s: %s' % (path, err.strip()))
    print('UTF-8 files with non-ASCII bytes: %d; read as anything but UTF-8: %d' % (files, misread))
    print('with one stray 0xFF appended, failing as UTF-8 at that byte: %d/%d' % (stray_ok, files))


if __name__ == '__main__':
    main()
