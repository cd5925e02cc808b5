#!/usr/bin/python3
"""Measure how well the character tables agree with OpenCC's phrase-level
converter on real text.

For each corpus the text is converted twice: character by character with
data/systemF.txt + data/systemJ.txt (first occurrence in the searched table
wins, exactly as the converter does) and with OpenCC using phrases
(s2tw.json for Simplified -> Traditional, tw2s.json for Traditional ->
Simplified).  Agreement is the share of CJK ideographs of OpenCC's output
that the table conversion reproduces; lines whose length OpenCC changed are
skipped and reported.

Usage:
  /usr/bin/python3 tools/gen_tables_quality.py [--data DIR] [--show N]
      [--j2f CORPUS ...] [--f2j CORPUS ...]
Defaults: J2F on cn-man-test (held out from tuning) and cn-mo,
F2J on tw-mo and tw-man.  Corpus names are listed in tables_common.py.
"""

import argparse
import collections

import tables_common as tc


def measure(lines, mapping, config):
    pairs, skipped = tc.same_length_conversions(lines, config)
    total = agree = 0
    errors = collections.Counter()
    for src, want in pairs:
        for a, w in zip(src, want):
            if not tc.is_cjk(w):
                continue
            total += 1
            got = mapping.get(a, a)
            if got == w:
                agree += 1
            else:
                errors[(a, got, w)] += 1
    return total, agree, skipped, errors


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('--data', default=tc.DATA_DIR)
    ap.add_argument('--j2f', action='append', choices=tc.CORPORA)
    ap.add_argument('--f2j', action='append', choices=tc.CORPORA)
    ap.add_argument('--show', type=int, default=10,
                    help='list the N most frequent disagreements')
    args = ap.parse_args()
    f, j = tc.read_tables(args.data)
    runs = ([('J2F', c, tc.first_occurrence_map(j, f), 's2tw.json')
             for c in (args.j2f or ['cn-man-test', 'cn-mo'])]
            + [('F2J', c, tc.first_occurrence_map(f, j), 'tw2s.json')
               for c in (args.f2j or ['tw-mo', 'tw-man'])])
    for direction, name, mapping, config in runs:
        lines = tc.corpus(name)
        if not lines:
            print('%s %-12s no text found' % (direction, name))
            continue
        total, agree, skipped, errors = measure(lines, mapping, config)
        print('%s %-12s vs opencc %-10s %8d ideographs, agreement %.3f %%'
              ' (%d lines skipped)' % (direction, name, config, total,
                                       100.0 * agree / max(total, 1), skipped))
        for (a, got, w), n in errors.most_common(args.show):
            print('    %s -> %s, opencc %s: %d' % (a, got, w, n))


if __name__ == '__main__':
    main()
