#!/usr/bin/python3
"""Check the tables: /usr/bin/python3 tests/data/check_tables.py <data dir>

A character converts through its FIRST occurrence in the searched table
(systemF for Traditional -> Simplified, systemJ for Simplified -> Traditional)
to the character at the same position of the other table; others stay
unchanged.  Needs uconv (icu-devtools).  How the tables follow from OpenCC is
checked by tools/check_tables_against_opencc.py, outside the test suite.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'tools'))
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
    report.finish()


if __name__ == '__main__':
    main()
