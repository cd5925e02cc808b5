#!/usr/bin/python3
"""Count how real Simplified text is converted to Traditional, per character.

Converts a corpus of Simplified Chinese with OpenCC's phrase-level
Simplified -> Traditional (Taiwan standard) converter and counts, for each
Simplified character that has more than one Traditional candidate, which
Traditional character the phrase converter produced.  gen_tables.py uses the
counts to decide which Traditional form a Simplified character converts to
when converting character by character.

Output (default tools/tables_frequency.tsv): lines "S<TAB>T<TAB>count",
sorted by S then descending count.

Usage: /usr/bin/python3 tools/gen_tables_frequency.py [-c CORPUS ...] [-o FILE]
The default corpus is the tuning half of the zh_CN man pages of the Debian
package manpages-zh (the other half is kept for measuring the tables).
"""

import argparse
import collections
import sys

import tables_common as tc


def count(lines, config):
    """Counts of (S, T) over the characters S with several Taiwan-form
    candidates, and how many lines were skipped."""
    st, twv = tc.load_dict('STCharacters'), tc.load_dict('TWVariants')
    several = {s for s in st if len(tc.taiwan_candidates(s, st, twv)) > 1}
    pairs, skipped = tc.same_length_conversions(lines, config)
    counts = collections.Counter(
        (s, t) for src, dst in pairs for s, t in zip(src, dst) if s in several)
    return counts, skipped


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('-c', '--corpus', action='append', choices=tc.CORPORA,
                    help='corpus to count (default cn-man-tune)')
    ap.add_argument('--config', default='s2tw.json',
                    help='OpenCC configuration used as reference')
    ap.add_argument('-o', '--output', default=tc.FREQUENCY_FILE)
    args = ap.parse_args()
    corpora = args.corpus or ['cn-man-tune']
    lines = []
    for name in corpora:
        lines.extend(tc.corpus(name))
    if not lines:
        sys.exit('no corpus text found (is manpages-zh installed?)')
    counts, skipped = count(lines, args.config)
    rows = sorted(counts.items(), key=lambda kv: (kv[0][0], -kv[1], kv[0][1]))
    with open(args.output, 'w', encoding='utf-8', newline='\n') as f:
        f.write('# Simplified -> Traditional counts from OpenCC %s over: %s\n'
                % (args.config, ' '.join(corpora)))
        for (s, t), n in rows:
            f.write('%s\t%s\t%d\n' % (s, t, n))
    print('%d lines (%d skipped: length changed), %d pairs -> %s'
          % (len(lines), skipped, len(rows), args.output))


if __name__ == '__main__':
    main()
