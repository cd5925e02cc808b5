"""Shared helpers for the character-table tools.

Reads OpenCC's character dictionaries, extracts plain Chinese text from
installed man pages and gettext catalogs (used to rank one-to-many
conversions and to measure the tables), and runs the phrase-level OpenCC
converter as a reference.
"""

import gettext
import glob
import gzip
import os
import re
import subprocess
import tempfile
import zlib

OPENCC_DIR = '/usr/share/opencc'


def is_cjk(ch):
    """True for CJK unified / compatibility ideographs in the BMP."""
    c = ord(ch)
    return (0x4E00 <= c <= 0x9FFF or 0x3400 <= c <= 0x4DBF
            or 0xF900 <= c <= 0xFAFF)


def gbk_ok(ch):
    """True if ch is a BMP ideograph that Windows code page 936 encodes.

    Python's 'gbk' codec and ICU's windows-936-2000 agree on every
    ideograph; they differ only for U+20AC and the private use area, which
    never reach the tables because only ideographs are accepted here.
    """
    if len(ch) != 1 or not is_cjk(ch):
        return False
    try:
        return ch.encode('gbk').decode('gbk') == ch
    except UnicodeError:
        return False


def load_dict(name, opencc_dir=OPENCC_DIR):
    """Dump OpenCC dictionary NAME.ocd2 and return {key: [values...]}.

    Values keep OpenCC's order (preferred first).
    """
    src = os.path.join(opencc_dir, name + '.ocd2')
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, name + '.txt')
        subprocess.run(['opencc_dict', '-i', src, '-o', out,
                        '-f', 'ocd2', '-t', 'text'], check=True,
                       stdout=subprocess.DEVNULL)
        with open(out, encoding='utf-8') as f:
            text = f.read()
    table = {}
    for line in text.split('\n'):
        if not line.strip():
            continue
        key, _, vals = line.partition('\t')
        table[key] = vals.split()
    return table


def opencc_convert(lines, config):
    """Convert a list of lines with the opencc command (phrase level)."""
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, 'in.txt')
        dst = os.path.join(tmp, 'out.txt')
        with open(src, 'w', encoding='utf-8') as f:
            f.write('\n'.join(lines) + '\n')
        subprocess.run(['opencc', '-c', config, '-i', src, '-o', dst],
                       check=True)
        with open(dst, encoding='utf-8') as f:
            out = f.read().split('\n')
    return out[:len(lines)]


# --- text extraction -------------------------------------------------------

_ROFF_ESCAPES = re.compile(
    r'\\f(\[[^\]]*\]|\(..|.)'      # font changes
    r'|\\\*(\[[^\]]*\]|\(..|.)'    # strings
    r'|\\\((..)'                   # special characters
    r'|\\[,/&:%|^ ]'               # spacing / italic corrections
    r'|\\.')                       # anything else escaped


def manpage_lines(path):
    """Readable text lines of a gzip'ed roff man page."""
    with gzip.open(path, 'rb') as f:
        raw = f.read()
    try:
        text = raw.decode('utf-8')
    except UnicodeDecodeError:
        text = raw.decode('gb18030', errors='replace')
    lines = []
    for line in text.split('\n'):
        if line.startswith(('.\\"', "'\\\"", '\\"')):
            continue
        if line.startswith(('.', "'")):
            parts = line.split(None, 1)
            line = parts[1] if len(parts) > 1 else ''
        line = _ROFF_ESCAPES.sub('', line).strip()
        if any(is_cjk(c) for c in line):
            lines.append(line)
    return lines


def mo_lines(path):
    """Translated strings (msgstr) of a compiled gettext catalog."""
    try:
        with open(path, 'rb') as f:
            cat = gettext.GNUTranslations(f)._catalog
    except Exception:          # malformed or unknown charset: skip file
        return []
    lines = []
    for key, val in cat.items():
        if key == '' or not isinstance(val, str):
            continue
        for line in val.split('\n'):
            line = line.strip()
            if any(is_cjk(c) for c in line):
                lines.append(line)
    return lines


def manpage_files(lang):
    """Man pages of LANG (zh_CN / zh_TW), as installed by manpages-zh."""
    return sorted(glob.glob('/usr/share/man/%s/man*/*.gz' % lang))


def mo_files(lang):
    """Installed gettext catalogs of LANG, one per domain."""
    files = sorted(set(glob.glob('/usr/share/locale/%s/LC_MESSAGES/*.mo' % lang)
                       + glob.glob('/usr/share/*/*/lang/%s/LC_MESSAGES/*.mo' % lang)))
    return files


def manpage_half(path):
    """0 or 1: a stable split of man pages into a tuning and a held-out half.

    Splitting on the page name keeps the zh_CN and zh_TW copies of a page
    in the same half.
    """
    name = os.path.basename(path)
    return zlib.crc32(name.encode('utf-8')) & 1


def collect(files, reader):
    """Lines of all files, duplicates removed, in a stable order."""
    seen = set()
    out = []
    for path in files:
        for line in reader(path):
            if line not in seen:
                seen.add(line)
                out.append(line)
    return out


def corpus(name):
    """Named corpora used by the table tools.

    cn-man-tune  zh_CN man pages (manpages-zh), tuning half
    cn-man-test  zh_CN man pages (manpages-zh), held-out half
    cn-mo        zh_CN gettext catalogs installed on this machine
    tw-man       zh_TW man pages (manpages-zh)
    tw-mo        zh_TW gettext catalogs installed on this machine
    """
    if name == 'cn-man-tune':
        return collect([p for p in manpage_files('zh_CN') if manpage_half(p) == 0],
                       manpage_lines)
    if name == 'cn-man-test':
        return collect([p for p in manpage_files('zh_CN') if manpage_half(p) == 1],
                       manpage_lines)
    if name == 'cn-mo':
        return collect(mo_files('zh_CN'), mo_lines)
    if name == 'tw-man':
        return collect(manpage_files('zh_TW'), manpage_lines)
    if name == 'tw-mo':
        return collect(mo_files('zh_TW'), mo_lines)
    raise ValueError('unknown corpus ' + name)


CORPORA = ['cn-man-tune', 'cn-man-test', 'cn-mo', 'tw-man', 'tw-mo']
