#!/usr/bin/python3
"""Count how often each character occurs in Simplified and in Traditional
Chinese text, for the plausibility score of encoding detection.

Reads the building part (four lines in five) of the sources char_corpus.py
lists, from the Debian packages installed on this machine; installs nothing.
Needs: manpages-zh debian-reference-zh-tw maint-guide-zh-tw
debian-edu-doc-zh-cn (and whatever gettext catalogues are installed).

Output (default data/char_frequency.tsv): a line "#total<TAB>S<TAB>T" with
the number of characters counted in each script, then one line per
non-ASCII character that GBK or Big5 can encode and that occurs at least
once: "character<TAB>count in Simplified<TAB>count in Traditional", in code
point order. The build turns it into engine/char_frequency's table.

Usage: /usr/bin/python3 tools/gen_char_frequency.py [-o FILE]
"""

import argparse
import collections
import os
import sys

import char_corpus
import tables_common as tc


def encodable(ch):
    """Whether GBK or Big5 has the character (the only ones either reading
    of a detected file can produce)."""
    for codec in ('gbk', 'cp950'):
        try:
            ch.encode(codec)
            return True
        except UnicodeError:
            pass
    return False


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('-o', '--output',
                    default=os.path.join(tc.DATA_DIR, 'char_frequency.tsv'))
    args = ap.parse_args()
    missing = char_corpus.missing_packages()
    if missing:
        sys.exit('install first: apt-get install ' + ' '.join(missing))
    counts = {'S': collections.Counter(), 'T': collections.Counter()}
    for name in char_corpus.SOURCES:
        text = char_corpus.lines(name, 'build')
        counter = counts[char_corpus.script(name)]
        before = sum(counter.values())
        counter.update(c for line in text for c in line if ord(c) > 0x7F)
        print('%-9s %s %6d lines %8d characters'
              % (name, char_corpus.script(name), len(text), sum(counter.values()) - before))
    totals = {s: sum(c.values()) for s, c in counts.items()}
    chars = sorted((set(counts['S']) | set(counts['T'])), key=ord)
    chars = [c for c in chars if c.isprintable() and encodable(c)]
    with open(args.output, 'w', encoding='utf-8', newline='\n') as f:
        f.write('# Characters of Simplified (S) and Traditional (T) Chinese text from Debian\n'
                '# packages, counted by tools/gen_char_frequency.py; see NOTICE.\n')
        f.write('#total\t%d\t%d\n' % (totals['S'], totals['T']))
        for c in chars:
            f.write('%s\t%d\t%d\n' % (c, counts['S'][c], counts['T'][c]))
    print('%d characters (S %d, T %d counted) -> %s'
          % (len(chars), totals['S'], totals['T'], args.output))


if __name__ == '__main__':
    main()
