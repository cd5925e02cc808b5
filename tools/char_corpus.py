"""Chinese text from installed Debian packages, Simplified and Traditional,
for the character-frequency table that encoding detection scores with.

Needs these Debian packages installed (this module installs nothing):
  manpages-zh            zh_CN and zh_TW man pages
  debian-reference-zh-tw Debian Reference, Traditional (plain-text edition)
  maint-guide-zh-tw      New Maintainers' Guide, Traditional (plain text)
  debian-edu-doc-zh-cn   Debian Edu manuals, Simplified (HTML)
and reads every gettext catalogue installed under /usr/share/locale for
zh_CN (Simplified) and zh_TW, zh_HK (Traditional).

Each source line goes to the building part or the held-out part by a hash of
the line, so that the measurement (measure_detection.py) reads text the table
was not built from.
"""

import glob
import gzip
import html.parser
import os
import subprocess
import zlib

import tables_common as tc

# Packages whose text is kept away from every corpus here: never read, even
# when installed.
EXCLUDED_PACKAGES = {
    'libreoffice-help-zh-tw', 'libreoffice-l10n-zh-tw', 'firefox-esr-l10n-zh-tw',
    'thunderbird-l10n-zh-tw', 'fortunes-zh', 'debian-reference-zh-cn',
    'maint-guide-zh-cn', 'debian-faq-zh-cn',
}

NEEDED_PACKAGES = ['manpages-zh', 'debian-reference-zh-tw', 'maint-guide-zh-tw',
                   'debian-edu-doc-zh-cn']


def text_lines(path):
    """Lines of a plain or gzip'ed UTF-8 text file that hold Chinese."""
    opener = gzip.open if path.endswith('.gz') else open
    with opener(path, 'rt', encoding='utf-8', errors='replace') as f:
        return [line.strip() for line in f if any(tc.is_cjk(c) for c in line)]


class _HtmlText(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.parts = []
        self.skip = 0

    def handle_starttag(self, tag, attrs):
        if tag in ('script', 'style'):
            self.skip += 1
        elif tag in ('p', 'br', 'div', 'li', 'td', 'th', 'h1', 'h2', 'h3',
                     'h4', 'h5', 'h6', 'pre', 'dt', 'dd', 'title'):
            self.parts.append('\n')

    def handle_endtag(self, tag):
        if tag in ('script', 'style') and self.skip:
            self.skip -= 1

    def handle_data(self, data):
        if not self.skip:
            self.parts.append(data)


def html_lines(path):
    """Lines of text of an HTML page that hold Chinese."""
    parser = _HtmlText()
    with open(path, encoding='utf-8', errors='replace') as f:
        parser.feed(f.read())
    text = ''.join(parser.parts)
    return [' '.join(line.split()) for line in text.split('\n')
            if any(tc.is_cjk(c) for c in line)]


# name -> (script, [(reader, glob pattern)...])
SOURCES = {
    'cn-man': ('S', [(tc.manpage_lines, '/usr/share/man/zh_CN/man*/*.gz')]),
    'cn-mo': ('S', [(tc.mo_lines, '/usr/share/locale/zh_CN/LC_MESSAGES/*.mo'),
                    (tc.mo_lines, '/usr/share/*/*/lang/zh_CN/LC_MESSAGES/*.mo')]),
    'cn-edu': ('S', [(html_lines, '/usr/share/doc/debian-edu-doc-zh-cn/*.html')]),
    'tw-man': ('T', [(tc.manpage_lines, '/usr/share/man/zh_TW/man*/*.gz')]),
    'tw-mo': ('T', [(tc.mo_lines, '/usr/share/locale/zh_TW/LC_MESSAGES/*.mo'),
                    (tc.mo_lines, '/usr/share/*/*/lang/zh_TW/LC_MESSAGES/*.mo'),
                    (tc.mo_lines, '/usr/share/locale/zh_HK/LC_MESSAGES/*.mo')]),
    'tw-ref': ('T', [(text_lines, '/usr/share/debian-reference/*.zh-tw.txt.gz')]),
    'tw-maint': ('T', [(text_lines, '/usr/share/doc/maint-guide-zh-tw/*.zh-tw.txt.gz')]),
}


def owners(paths):
    """{path: package} for the installed files among PATHS."""
    found = {}
    for start in range(0, len(paths), 200):
        r = subprocess.run(['dpkg', '-S'] + paths[start:start + 200],
                           capture_output=True, text=True)
        for line in r.stdout.splitlines():
            packages, _, path = line.partition(': ')
            for package in packages.split(', '):
                found.setdefault(path, package.split(':')[0])
    return found


def source_files(name):
    """[(reader, path)] of one source, leaving out excluded packages' files."""
    files = [(reader, path) for reader, pattern in SOURCES[name][1]
             for path in sorted(glob.glob(pattern))]
    package_of = owners([path for _, path in files])
    return [(reader, path) for reader, path in files
            if package_of.get(path) not in EXCLUDED_PACKAGES]


def held_out(line):
    """True for the fifth of lines kept out of the table, for measuring."""
    return zlib.crc32(line.encode('utf-8')) % 5 == 0


def lines(name, part):
    """Distinct lines of source NAME: part 'build' or 'held-out'."""
    want = part == 'held-out'
    seen = dict.fromkeys(line for reader, path in source_files(name)
                         for line in reader(path))
    return [line for line in seen if held_out(line) == want]


def script(name):
    """'S' (Simplified) or 'T' (Traditional)."""
    return SOURCES[name][0]


def missing_packages():
    return [p for p in NEEDED_PACKAGES
            if subprocess.run(['dpkg-query', '-W', '-f=${Status}', p],
                              capture_output=True, text=True).stdout
            != 'install ok installed']
