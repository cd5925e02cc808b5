#!/usr/bin/python3
"""Check that the tables still follow from the installed OpenCC.

Compares the tables with what gen_tables.py asks for (OpenCC's dictionaries
and tables_frequency.tsv) and with OpenCC's tw2s run on each character.  It
fails when Debian's opencc package changes: then regenerate (TABLES.md).

Usage: /usr/bin/python3 tools/check_tables_against_opencc.py [DATA_DIR]
"""

import subprocess
import sys

import gen_tables as gen
import tables_common as tc


def check_traditional(report, f2j, candidates, ts, twvrev):
    """Traditional -> Simplified: what the generator asks for, and what
    OpenCC's tw2s does to the character on its own (unless code page 936
    lacks the result, in which case the character stays)."""
    trad = sorted(c for c in candidates if tc.gbk_ok(c))
    tw2s = dict(zip(trad, tc.opencc_convert(trad, 'tw2s.json')))
    want = gen.traditional_to_simplified(ts, twvrev)
    report.check('F2J gives the generator\'s form for every Traditional character',
                 ['%s->%s (want %s)' % (t, f2j.get(t, t), want.get(t, t))
                  for t in trad if f2j.get(t, t) != want.get(t, t)])
    report.check('F2J agrees with OpenCC tw2s character by character',
                 ['%s->%s (opencc %s)' % (t, f2j.get(t, t), tw2s[t]) for t in trad
                  if f2j.get(t, t) != (tw2s[t] if tc.gbk_ok(tw2s[t]) else t)])


def check_simplified(report, j2f, candidates, st, twv):
    """Simplified -> Traditional: one of OpenCC's Traditional candidates in
    its Taiwan form that code page 936 encodes (unchanged if none), and the
    one the generator ranks first (个->個, not 箇)."""
    simp = sorted(c for c in candidates if tc.gbk_ok(c))

    def allowed(s):
        forms = tc.taiwan_candidates(s, st, twv)
        return ''.join(sorted(t for t in forms if tc.gbk_ok(t))) or s
    report.check('J2F gives one of OpenCC\'s Taiwan-form candidates',
                 ['%s->%s (allowed %s)' % (s, j2f.get(s, s), allowed(s))
                  for s in simp if j2f.get(s, s) not in allowed(s)])
    want = gen.simplified_to_traditional(
        st, twv, gen.load_frequency(tc.FREQUENCY_FILE))
    report.check('J2F gives the generator\'s choice for every Simplified character',
                 ['%s->%s (want %s)' % (s, j2f.get(s, s), want.get(s, s))
                  for s in simp if j2f.get(s, s) != want.get(s, s)])


def main():
    if len(sys.argv) > 2:
        sys.exit('usage: check_tables_against_opencc.py [DATA_DIR]')
    try:
        F, J = tc.read_tables(sys.argv[1] if len(sys.argv) == 2 else tc.DATA_DIR)
    except (OSError, ValueError) as e:
        sys.exit(str(e))
    report = tc.Report()
    try:
        ts, twvrev, st, twv = (tc.load_dict(n) for n in tc.SOURCE_DICTS)
        check_traditional(report, tc.first_occurrence_map(F, J),
                          set(ts) | set(twvrev) | set(F), ts, twvrev)
        check_simplified(report, tc.first_occurrence_map(J, F),
                         set(st) | set(twv) | set(J), st, twv)
    except (OSError, subprocess.CalledProcessError) as e:
        report.check('OpenCC dictionaries and converter (package opencc)', [str(e)])
    report.finish()


if __name__ == '__main__':
    main()
