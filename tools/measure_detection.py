#!/usr/bin/python3
"""Measure how detection tells short Big5 text from GBK text.

Takes pieces of the held-out lines of char_corpus.py's sources (text that
data/char_frequency.tsv was not counted from): Traditional pieces encoded in
Big5 must come back as Big5; Simplified and Traditional pieces encoded in GBK
must not come back as Big5. Pieces are of three kinds (see pieces()): Chinese
characters only, ideographs mixed with the punctuation and ASCII between
them, and any window of a line. Each is fed to
tavrel-detect-probe, which also tells what the older rule (Big5 only when
ICU's charset detector prefers it) made of the same bytes.

Then, per length, how text that is (or looks like) UTF-8 fares: GBK and Big5
pieces read as UTF-8 (must be 0; a GBK piece whose bytes happen to be
well-formed UTF-8 is a look-alike, and how many of those are caught is
told), and Traditional pieces in UTF-8 with one stray 0xFF byte after them
read as UTF-8 (to fail at that byte) rather than GBK or Big5.
tools/measure_utf8.py checks the machine's own UTF-8 files.

Usage: /usr/bin/python3 tools/measure_detection.py [--probe build/bin/tavrel-detect-probe]
       [--pieces N] [--lengths 2,3,4,...] [--seed N]
Needs the packages char_corpus.py lists installed.
"""

import argparse
import os
import random
import subprocess
import sys

import char_corpus
import tables_common as tc

BIG5 = 'windows-950-2000'
GBK = 'windows-936-2000'


def runs(line):
    """Maximal runs of ideographs in LINE."""
    out, current = [], ''
    for c in line:
        if tc.is_cjk(c):
            current += c
        else:
            if current:
                out.append(current)
            current = ''
    if current:
        out.append(current)
    return out


def pieces(lines, length, kind, count, rng):
    """COUNT random pieces of LENGTH, of one KIND:
    chinese  LENGTH ideographs in a row;
    mixed    LENGTH ideographs of a line with whatever stands between them
             and the character after the last, holding at least one other
             character (punctuation, ASCII);
    window   any LENGTH characters of a line, holding at least one ideograph
             and one other character."""
    if kind == 'chinese':
        pool = [r for line in lines for r in runs(line) if len(r) >= length]
    else:
        pool = [' '.join(line.split()) for line in lines]
        pool = [line for line in pool if len(line) > length]
    out, tries = [], 0
    while len(out) < count and pool and tries < count * 50:
        tries += 1
        text = rng.choice(pool)
        if kind == 'mixed':
            at = [i for i, c in enumerate(text) if tc.is_cjk(c)]
            if len(at) < length:
                continue
            first = rng.randrange(len(at) - length + 1)
            piece = text[at[first]:at[first + length - 1] + 2]
        else:
            start = rng.randrange(len(text) - length + 1)
            piece = text[start:start + length]
        if kind != 'chinese' and (all(tc.is_cjk(c) for c in piece)
                                  or not any(tc.is_cjk(c) for c in piece)):
            continue
        out.append(piece)
    return out


def probe(path, encoding, texts):
    """[(detected, icu_rule)] for the encodable TEXTS."""
    data = ''.join('%s\t%s\n' % (encoding, t) for t in texts)
    r = subprocess.run([path], input=data, capture_output=True, text=True, check=True)
    return [tuple(line.split('\t')[:2]) for line in r.stdout.splitlines() if line != 'skip']


def well_formed_utf8(text, codec):
    try:
        text.encode(codec).decode('utf-8')
        return True
    except UnicodeError:
        return False


def utf8_report(path, held, length, count, rng):
    """One line on UTF-8 against GBK and Big5 for pieces of LENGTH, all kinds."""
    texts = {s: [p for kind in ('chinese', 'mixed', 'window')
                 for p in pieces(held[s], length, kind, count, rng)] for s in ('S', 'T')}
    gbk = texts['S'] + texts['T']
    gbk_read = probe(path, GBK, gbk)
    encodable = [t for t in gbk if probe(path, GBK, [t])] if len(gbk_read) != len(gbk) else gbk
    lookalikes = [d for t, (d, _) in zip(encodable, gbk_read) if well_formed_utf8(t, 'gbk')]
    # GBK that is not even well-formed UTF-8 yet read as UTF-8: a misreading.
    misread = [t for t, (d, _) in zip(encodable, gbk_read) if d == 'UTF-8' and not well_formed_utf8(t, 'gbk')]
    for t in misread:
        print('       GBK misread as UTF-8: %r %s' % (t, t.encode('gbk').hex()))
    big5_read = probe(path, BIG5, texts['T'])
    stray = probe(path, 'UTF-8+stray', texts['T'])
    print('%6d all      GBK as UTF-8 %d/%d (look-alikes caught %d/%d), Big5 as UTF-8 %d/%d, '
          'UTF-8 with a stray byte as UTF-8 %d/%d'
          % (length, sum(d == 'UTF-8' for d, _ in gbk_read), len(gbk_read),
             sum(d != 'UTF-8' for d in lookalikes), len(lookalikes),
             sum(d == 'UTF-8' for d, _ in big5_read), len(big5_read),
             sum(d == 'UTF-8' for d, _ in stray), len(stray)))


def main():
    root = os.path.dirname(tc.TOOLS_DIR)
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('--probe', default=os.path.join(root, 'build', 'bin', 'tavrel-detect-probe'))
    ap.add_argument('--pieces', type=int, default=1000, help='pieces drawn per cell')
    ap.add_argument('--lengths', default='2,3,4,6,8,10,12,30')
    ap.add_argument('--seed', type=int, default=20261207)
    args = ap.parse_args()
    missing = char_corpus.missing_packages()
    if missing:
        sys.exit('install first: apt-get install ' + ' '.join(missing))
    held = {'S': [], 'T': []}
    for name in char_corpus.SOURCES:
        held[char_corpus.script(name)].extend(char_corpus.lines(name, 'held-out'))
    rng = random.Random(args.seed)
    print('held-out lines: Simplified %d, Traditional %d' % (len(held['S']), len(held['T'])))
    print('%6s %-8s %18s %18s %22s %22s' % ('length', 'kind', 'Big5 found', 'ICU rule found',
                                            'GBK(S) taken as Big5', 'GBK(T) taken as Big5'))
    for length in map(int, args.lengths.split(',')):
        for kind in ('chinese', 'mixed', 'window'):
            cells, misread = [], []
            big5 = probe(args.probe, BIG5, pieces(held['T'], length, kind, args.pieces, rng))
            found = sum(d == 'Big5' for d, _ in big5)
            icu = sum(i == 'Big5' for _, i in big5)
            cells.append('%5d/%-5d %5.1f%%' % (found, len(big5), 100.0 * found / max(len(big5), 1)))
            cells.append('%5d/%-5d %5.1f%%' % (icu, len(big5), 100.0 * icu / max(len(big5), 1)))
            for script in ('S', 'T'):
                texts = pieces(held[script], length, kind, args.pieces, rng)
                gbk = probe(args.probe, GBK, texts)
                wrong = sum(d == 'Big5' for d, _ in gbk)
                if len(gbk) == len(texts):
                    misread.extend(t for t, (d, _) in zip(texts, gbk) if d == 'Big5')
                icuWrong = sum(i == 'Big5' for _, i in gbk)
                cells.append('%4d/%-5d (ICU %4d)' % (wrong, len(gbk), icuWrong))
            print('%6d %-8s %18s %18s %22s %22s' % ((length, kind) + tuple(cells)))
            for t in misread:
                print('       GBK misread as Big5: %r %s' % (t, t.encode('gbk').hex()))
        utf8_report(args.probe, held, length, args.pieces, rng)


if __name__ == '__main__':
    main()
