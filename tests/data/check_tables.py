#!/usr/bin/python3
"""Check the tables: /usr/bin/python3 tests/data/check_tables.py <data dir>

A character converts through its FIRST occurrence in the searched table
(systemF for Traditional -> Simplified, systemJ for Simplified -> Traditional)
to the character at the same position of the other table; others stay
unchanged.  Needs uconv (icu-devtools) and opencc.
"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools'))
import gen_tables as gen  # noqa: E402
import tables_common as tc  # noqa: E402


def format_problems(data_dir):
    """([systemF, systemJ] text, [format problems]): one line each, code page
    936, BMP ideographs only, equal length."""
    try:
        text = tc.read_tables(data_dir)
    except (OSError, ValueError) as e:
        return None, [str(e)]
    problems = []
    for name, table in zip(tc.TABLE_FILES, text):
        if '\r' in table or '\n' in table:
            problems.append(name + ' has a line end (must be one line)')
        bad = sorted({'U+%04X' % ord(c) for c in table if not tc.is_cjk(c)})
        if bad:
            problems.append('%s has non-ideographs (BMP ideographs only): %s'
                            % (name, ' '.join(bad[:8])))
    if len(text[0]) != len(text[1]):
        problems.append('lengths differ: systemF %d, systemJ %d characters'
                        % tuple(map(len, text)))
    return text, problems


def expect(table, words):
    """Problems of words 'from=to from=to ...' converted through TABLE."""
    got = [(a, ''.join(table.get(c, c) for c in a), b)
           for a, b in (w.split('=') for w in words.split())]
    return ['%s->%s (want %s)' % g for g in got if g[1] != g[2]]


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: check_tables.py <data dir>')
    report = tc.Report()
    text, problems = format_problems(sys.argv[1])
    report.check('format: one line, code page 936, BMP ideographs, equal length',
                 problems)
    if problems:
        report.finish()
    F, J = text
    f2j, j2f = tc.first_occurrence_map(F, J), tc.first_occurrence_map(J, F)
    report.check('Traditional->Simplified examples', expect(
        f2j, '國=国 爲=为 為=为 裡=里 裏=里 臺=台 颱=台 檯=台 啟=启 啓=启 '
        '髮=发 發=发 後=后 隻=只 係=系 繫=系 麵=面 乾=干 幹=干 '
        '中華民國=中华民国 頭髮與發現=头发与发现'))
    report.check('Simplified->Traditional examples (Taiwan forms)', expect(
        j2f, '国=國 为=為 里=裡 台=台 启=啟 后=後 发=發 着=著 这里=這裡 中国=中國'))
    same = ' '.join(c + '=' + c for c in '只系面出表查中')
    report.check('只 系 面 出 表 查 中 stay unchanged both ways',
                 expect(j2f, same) + expect(f2j, same))
    report.check('中 absent or paired only with itself',
                 ['position %d: %s/%s' % (i, t, s) for i, (t, s)
                  in enumerate(zip(F, J)) if '中' in (t, s) and t != s])

    try:
        ts, twvrev, st, twv = (tc.load_dict(n) for n in tc.SOURCE_DICTS)
        trad = sorted(c for c in set(ts) | set(twvrev) | set(F) if tc.gbk_ok(c))
        tw2s = dict(zip(trad, tc.opencc_convert(trad, 'tw2s.json')))
    except (OSError, subprocess.CalledProcessError) as e:
        report.check('OpenCC dictionaries and converter (package opencc)', [str(e)])
        report.finish()

    # Traditional -> Simplified: what the generator asks for, and what
    # OpenCC's tw2s does to the character on its own (unless code page 936
    # lacks the result, in which case the character stays).
    want = gen.traditional_to_simplified(ts, twvrev)
    report.check('F2J gives the generator\'s form for every Traditional character',
                 ['%s->%s (want %s)' % (t, f2j.get(t, t), want.get(t, t))
                  for t in trad if f2j.get(t, t) != want.get(t, t)])
    report.check('F2J agrees with OpenCC tw2s character by character',
                 ['%s->%s (opencc %s)' % (t, f2j.get(t, t), tw2s[t]) for t in trad
                  if f2j.get(t, t) != (tw2s[t] if tc.gbk_ok(tw2s[t]) else t)])

    # Simplified -> Traditional: one of OpenCC's Traditional candidates in
    # its Taiwan form that code page 936 encodes (unchanged if none) ...
    simp = sorted(c for c in set(st) | set(twv) | set(J) if tc.gbk_ok(c))

    def allowed(s):
        forms = tc.taiwan_candidates(s, st, twv)
        return ''.join(sorted(t for t in forms if tc.gbk_ok(t))) or s
    report.check('J2F gives one of OpenCC\'s Taiwan-form candidates',
                 ['%s->%s (allowed %s)' % (s, j2f.get(s, s), allowed(s))
                  for s in simp if j2f.get(s, s) not in allowed(s)])
    # ... and the one the generator ranks first (个->個, not 箇).
    want = gen.simplified_to_traditional(
        st, twv, gen.load_frequency(tc.FREQUENCY_FILE))
    report.check('J2F gives the generator\'s choice for every Simplified character',
                 ['%s->%s (want %s)' % (s, j2f.get(s, s), want.get(s, s))
                  for s in simp if j2f.get(s, s) != want.get(s, s)])
    report.finish()


if __name__ == '__main__':
    main()
