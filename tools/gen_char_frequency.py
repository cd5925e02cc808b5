#!/usr/bin/python3
"""Count how often each character occurs in Simplified and in Traditional
Chinese text, for the plausibility score of encoding detection.

Reads the building part (four lines in five) of the sources char_corpus.py
lists, from the Debian packages installed on this machine; installs nothing.
Needs: manpages-zh debian-reference-zh-tw maint-guide-zh-tw
debian-edu-doc-zh-cn (and whatever gettext catalogues are installed).

rime-essay's word list (/usr/share/rime-data/essay.txt: Traditional words
with how often each occurs in everyday text, LGPL-3) gives the common
two-character words (at least PAIR_MIN occurrences, in Traditional as written
and in Simplified through OpenCC's TSCharacters) whose characters' GBK bytes
are also a two-byte UTF-8 character each, listed as lines "word<TAB>pair"
after the characters: a short text of such bytes reads as GBK when its
characters form these words (detect_parts.h). Its counts are not added to
the characters': measured with measure_detection.py, even a tenth of its
weight blurs how Simplified and Traditional text differ, which tells Big5
from GBK.

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


ESSAY = '/usr/share/rime-data/essay.txt'
PAIR_MIN = 500


def lookalike(ch):
    """Whether the GBK bytes of CH are also a two-byte UTF-8 character."""
    try:
        b = ch.encode('gbk')
    except UnicodeError:
        return False
    return len(b) == 2 and 0xC2 <= b[0] <= 0xDF and 0x80 <= b[1] <= 0xBF


def essay_pairs():
    """rime-essay's common words of look-alike characters, in both scripts."""
    to_simplified = tc.load_dict('TSCharacters')
    pairs = collections.Counter()
    with open(ESSAY, encoding='utf-8') as f:
        for line in f:
            word, _, freq = line.rstrip('\n').partition('\t')
            if len(word) != 2 or not freq.isdigit():
                continue
            simplified = ''.join(to_simplified.get(c, [c])[0] for c in word)
            for form in {word, simplified}:
                if all(lookalike(c) for c in form):
                    pairs[form] += int(freq)
    return sorted((w for w, n in pairs.items() if n >= PAIR_MIN), key=lambda w: (ord(w[0]), ord(w[1])))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('-o', '--output',
                    default=os.path.join(tc.DATA_DIR, 'char_frequency.tsv'))
    args = ap.parse_args()
    missing = char_corpus.missing_packages()
    if missing:
        sys.exit('install first: apt-get install ' + ' '.join(missing))
    if not os.path.exists(ESSAY):
        sys.exit('install first: apt-get install rime-essay')
    counts = {'S': collections.Counter(), 'T': collections.Counter()}
    for name in char_corpus.SOURCES:
        text = char_corpus.lines(name, 'build')
        counter = counts[char_corpus.script(name)]
        before = sum(counter.values())
        counter.update(c for line in text for c in line if ord(c) > 0x7F)
        print('%-9s %s %6d lines %8d characters'
              % (name, char_corpus.script(name), len(text), sum(counter.values()) - before))
    pairs = essay_pairs()
    totals = {s: sum(c.values()) for s, c in counts.items()}
    chars = sorted((set(counts['S']) | set(counts['T'])), key=ord)
    chars = [c for c in chars if c.isprintable() and encodable(c)]
    with open(args.output, 'w', encoding='utf-8', newline='\n') as f:
        f.write('# Characters of Simplified (S) and Traditional (T) Chinese text from Debian\n'
                '# packages, counted by tools/gen_char_frequency.py; see NOTICE.\n')
        f.write('#total\t%d\t%d\n' % (totals['S'], totals['T']))
        for c in chars:
            f.write('%s\t%d\t%d\n' % (c, counts['S'][c], counts['T'][c]))
        for word in pairs:
            f.write('%s\tpair\n' % word)
    print('%d characters (S %d, T %d counted), %d words -> %s'
          % (len(chars), totals['S'], totals['T'], len(pairs), args.output))


if __name__ == '__main__':
    main()
