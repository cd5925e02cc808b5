"""Writes the Chinese text the benchmark converts: every line tools/char_corpus.py
gathers from the installed Debian packages, Traditional lines into
DIR/traditional.txt and Simplified lines into DIR/simplified.txt, in UTF-8,
each source's lines in turn so that the text keeps its variety.

  python3 tools/bench_corpus.py DIR

Needs the packages char_corpus.NEEDED_PACKAGES names; exits with status 2 and
names the missing ones otherwise.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import char_corpus  # noqa: E402


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: bench_corpus.py DIR')
    missing = char_corpus.missing_packages()
    if missing:
        print('bench_corpus.py: install ' + ' '.join(missing), file=sys.stderr)
        sys.exit(2)
    out = {'T': [], 'S': []}
    for name in char_corpus.SOURCES:
        text = out[char_corpus.script(name)]
        for part in ('build', 'held-out'):
            text.extend(char_corpus.lines(name, part))
    for script, file_name in (('T', 'traditional.txt'), ('S', 'simplified.txt')):
        with open(os.path.join(sys.argv[1], file_name), 'w', encoding='utf-8') as f:
            f.write('\n'.join(out[script]) + '\n')


if __name__ == '__main__':
    main()
