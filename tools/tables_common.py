"""Shared helpers for the character-table tools and checks.

Reads the tables and OpenCC's character dictionaries, runs the phrase-level
OpenCC converter as a reference, reports checks, and extracts plain Chinese
text from installed man pages and gettext catalogs (used to rank one-to-many
conversions and to measure the tables).
"""

import gettext
import glob
import gzip
import os
import re
import subprocess
import sys
import tempfile
import zlib

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
DATA_DIR = os.path.join(os.path.dirname(TOOLS_DIR), 'data')
FREQUENCY_FILE = os.path.join(TOOLS_DIR, 'tables_frequency.tsv')
TABLE_FILES = ('systemF.txt', 'systemJ.txt')
# OpenCC's dictionaries the tables are generated from.
SOURCE_DICTS = ('TSCharacters', 'TWVariantsRev', 'STCharacters', 'TWVariants')
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
    rows = (line.partition('\t') for line in text.split('\n') if line.strip())
    return {key: vals.split() for key, _, vals in rows}


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


def taiwan_candidates(s, st, twv):
    """Traditional forms of S in OpenCC's order (STCharacters, S itself if
    absent), each replaced by its Taiwan form (TWVariants), without repeats."""
    return list(dict.fromkeys(twv.get(t, [t])[0] for t in st.get(s, [s])))


def same_length_conversions(lines, config):
    """Pairs (line, OpenCC's conversion of it) whose lengths are equal, so
    that characters line up; and how many lines OpenCC changed in length."""
    pairs = list(zip(lines, opencc_convert(lines, config)))
    kept = [(a, b) for a, b in pairs if len(a) == len(b)]
    return kept, len(pairs) - len(kept)


def read_tables(data_dir):
    """[systemF, systemJ] of DATA_DIR as text, decoded as ICU's
    windows-936-2000 decodes them (uconv); ValueError if a byte is invalid."""
    text = []
    for name in TABLE_FILES:
        with open(os.path.join(data_dir, name), 'rb') as f:
            r = subprocess.run(['uconv', '-f', 'windows-936-2000', '-t',
                                'utf-8', '--callback', 'stop'],
                               stdin=f, capture_output=True)
        if r.returncode != 0:
            raise ValueError('%s is not valid code page 936: %s' % (
                name, r.stderr.decode(errors='replace').strip()))
        text.append(r.stdout.decode('utf-8'))
    return text


def first_occurrence_map(src, dst):
    """{a: b}, b at a's first position in SRC, as the converter looks up."""
    m = {}
    for a, b in zip(src, dst):
        m.setdefault(a, b)
    return m


class Report:
    """Prints one line per check; finish() exits with 1 if any failed."""

    def __init__(self):
        self.results = []

    def check(self, name, problems):
        self.results.append(not problems)
        more = ' ...(%d in all)' % len(problems) if len(problems) > 8 else ''
        print('FAIL %s: %s%s' % (name, ', '.join(problems[:8]), more)
              if problems else 'ok   ' + name)

    def finish(self):
        failed = self.results.count(False)
        print('%d passed, %d failed' % (len(self.results) - failed, failed))
        sys.exit(1 if failed else 0)


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
    return sorted(set(glob.glob('/usr/share/locale/%s/LC_MESSAGES/*.mo' % lang)
                      + glob.glob('/usr/share/*/*/lang/%s/LC_MESSAGES/*.mo' % lang)))


def manpage_half(path):
    """0 or 1: a stable split of man pages into a tuning and a held-out half.

    Splitting on the page name keeps the zh_CN and zh_TW copies of a page
    in the same half.
    """
    name = os.path.basename(path)
    return zlib.crc32(name.encode('utf-8')) & 1


def collect(files, reader):
    """Lines of all files, duplicates removed, in a stable order."""
    return list(dict.fromkeys(line for path in files for line in reader(path)))


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
