#!/usr/bin/python3
"""Count how often each character occurs in Simplified and in Traditional
Chinese text, for the plausibility score of encoding detection.

Reads the building part (four lines in five) of the sources char_corpus.py
lists, from the Debian packages installed on this machine; installs nothing.
Needs: manpages-zh debian-reference-zh-tw maint-guide-zh-tw
debian-edu-doc-zh-cn (and whatever gettext catalogues are installed).

Technical text under-counts everyday characters (thanks, roads, serfs), so
rime-essay's word list (/usr/share/rime-data/essay.txt: Traditional words
with how often each occurs in everyday text, LGPL-3) is added too: each
character counts its words' frequencies, in Traditional as written and in
Simplified through OpenCC's TSCharacters, scaled so that the word list
weighs as much as the rest of each script's text; shares under a quarter of
an occurrence are dropped, so that no character seen costs as much as one
never seen. The word list holds no corpus line, so the held-out part stays
unseen. Its common two-character words (at least PAIR_MIN occurrences) whose
characters' GBK bytes are also a two-byte UTF-8 character each are listed
too, as lines "word<TAB>pair" after the characters: a short text of such
bytes reads as GBK when its characters form these words (detect_parts.h).

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


def add_essay(counts):
    """Adds rime-essay's character counts, scaled, to COUNTS (see above), and
    gives its common words of look-alike characters, in both scripts."""
    to_simplified = tc.load_dict('TSCharacters')
    pairs = collections.Counter()
    essay = {'S': collections.Counter(), 'T': collections.Counter()}
    with open(ESSAY, encoding='utf-8') as f:
        for line in f:
            word, _, freq = line.rstrip('\n').partition('\t')
            if not freq.isdigit():
                continue
            simplified = ''.join(to_simplified.get(c, [c])[0] for c in word)
            for form in {word, simplified}:
                if len(form) == 2 and all(lookalike(c) for c in form):
                    pairs[form] += int(freq)
            for c in word:
                if ord(c) > 0x7F:
                    essay['T'][c] += int(freq)
                    essay['S'][to_simplified.get(c, [c])[0]] += int(freq)
    for script, counter in essay.items():
        scale = sum(counts[script].values()) / sum(counter.values())
        for c, n in counter.items():
            if n * scale >= 0.25:
                counts[script][c] += round(n * scale, 2)
        print('essay     %s %8d characters' % (script, sum(counter.values())))
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
    pairs = add_essay(counts)
    totals = {s: sum(c.values()) for s, c in counts.items()}
    chars = sorted((set(counts['S']) | set(counts['T'])), key=ord)
    chars = [c for c in chars if c.isprintable() and encodable(c)]
    with open(args.output, 'w', encoding='utf-8', newline='\n') as f:
        f.write('# Characters of Simplified (S) and Traditional (T) Chinese text from Debian\n'
                '# packages, counted by tools/gen_char_frequency.py; see NOTICE.\n')
        f.write('#total\t%d\t%d\n' % (round(totals['S']), round(totals['T'])))
        for c in chars:
            f.write('%s\t%g\t%g\n' % (c, round(counts['S'][c], 2), round(counts['T'][c], 2)))
        for word in pairs:
            f.write('%s\tpair\n' % word)
    print('%d characters (S %d, T %d counted), %d words -> %s'
          % (len(chars), totals['S'], totals['T'], len(pairs), args.output))


if __name__ == '__main__':
    main()
