#!/usr/bin/python3
"""Data check for the character tables systemF.txt / systemJ.txt.

Usage: /usr/bin/python3 tests/data/check_tables.py <data dir>

Conversion semantics mirrored here: a character is looked up by its FIRST
occurrence in the searched table and replaced by the character at the same
position of the other table; characters not found stay unchanged.
Traditional -> Simplified (F2J) searches systemF, Simplified -> Traditional
(J2F) searches systemJ.

The tables are checked for their file format (one line, code page 936,
equal length) and against OpenCC's dictionaries and converter (package
opencc), which they are generated from.  ICU's uconv (package icu-devtools)
decodes the files with Windows code page 936 semantics.
"""

import os
import shutil
import subprocess
import sys
import tempfile

OPENCC_DIR = '/usr/share/opencc'


class Failure(Exception):
    pass


def is_cjk(ch):
    c = ord(ch)
    return (0x4E00 <= c <= 0x9FFF or 0x3400 <= c <= 0x4DBF
            or 0xF900 <= c <= 0xFAFF)


def decode_936(raw):
    """Decode bytes as Windows code page 936, failing on invalid bytes."""
    uconv = shutil.which('uconv')
    if uconv:
        r = subprocess.run([uconv, '-f', 'windows-936-2000', '-t', 'utf-8',
                            '--callback', 'stop'], input=raw,
                           capture_output=True)
        if r.returncode != 0:
            raise Failure('not valid code page 936: %s'
                          % r.stderr.decode(errors='replace').strip())
        return r.stdout.decode('utf-8')
    # Python's gbk codec equals code page 936 except for byte 0x80 (euro
    # sign) and the private use area, both rejected below anyway.
    if b'\x80' in raw:
        raise Failure('byte 0x80 found')
    try:
        return raw.decode('gbk')
    except UnicodeDecodeError as e:
        raise Failure('not valid code page 936: %s' % e)


def encodable_936(ch):
    if not is_cjk(ch):
        return False
    try:
        return ch.encode('gbk').decode('gbk') == ch
    except UnicodeError:
        return False


def load_dict(name, tmp):
    out = os.path.join(tmp, name + '.txt')
    subprocess.run(['opencc_dict', '-i', os.path.join(OPENCC_DIR, name + '.ocd2'),
                    '-o', out, '-f', 'ocd2', '-t', 'text'],
                   check=True, stdout=subprocess.DEVNULL)
    table = {}
    with open(out, encoding='utf-8') as f:
        for line in f:
            key, _, vals = line.rstrip('\n').partition('\t')
            if key:
                table[key] = vals.split()
    return table


def opencc_chars(chars, config, tmp):
    """OpenCC's conversion of each character on its own."""
    src = os.path.join(tmp, 'chars.txt')
    dst = os.path.join(tmp, 'chars.out')
    with open(src, 'w', encoding='utf-8') as f:
        f.write('\n'.join(chars) + '\n')
    subprocess.run(['opencc', '-c', config, '-i', src, '-o', dst], check=True)
    with open(dst, encoding='utf-8') as f:
        out = f.read().split('\n')
    return dict(zip(chars, out))


def first_occurrence(src, dst):
    m = {}
    for a, b in zip(src, dst):
        m.setdefault(a, b)
    return m


def sample(items, n=8):
    items = sorted(items)
    more = ' ...(%d more)' % (len(items) - n) if len(items) > n else ''
    return ', '.join(items[:n]) + more


class Checker:
    def __init__(self, data_dir):
        self.data_dir = data_dir
        self.passed = 0
        self.failed = 0

    def run(self, name, fn):
        try:
            fn()
        except Failure as e:
            self.failed += 1
            print('FAIL %s: %s' % (name, e))
        else:
            self.passed += 1
            print('ok   %s' % name)


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: check_tables.py <data dir>')
    c = Checker(sys.argv[1])
    raw = {}
    text = {}

    def file_format():
        for name in ('systemF.txt', 'systemJ.txt'):
            path = os.path.join(c.data_dir, name)
            if not os.path.isfile(path):
                raise Failure('%s missing' % path)
            with open(path, 'rb') as f:
                raw[name] = f.read()
            if b'\r' in raw[name] or b'\n' in raw[name]:
                raise Failure('%s contains a line end; the table must be one '
                              'line without CR or LF' % name)
            if raw[name].startswith(b'\xef\xbb\xbf'):
                raise Failure('%s starts with a UTF-8 byte order mark' % name)
            text[name] = decode_936(raw[name])
            bad = [ch for ch in set(text[name]) if not is_cjk(ch)]
            if bad:
                raise Failure('%s has non-ideograph characters: %s'
                              % (name, sample('U+%04X' % ord(x) for x in bad)))
        f, j = text['systemF.txt'], text['systemJ.txt']
        if len(f.encode('utf-16-le')) != len(j.encode('utf-16-le')):
            raise Failure('lengths differ: systemF %d, systemJ %d UTF-16 units'
                          % (len(f.encode('utf-16-le')) // 2,
                             len(j.encode('utf-16-le')) // 2))
        if len(f) < 1000:
            raise Failure('tables suspiciously short (%d characters)' % len(f))

    c.run('file format: one line, code page 936, ideographs, equal length',
          file_format)
    if c.failed:
        print('%d passed, %d failed' % (c.passed, c.failed))
        sys.exit(1)

    F, J = text['systemF.txt'], text['systemJ.txt']
    f2j = first_occurrence(F, J)
    j2f = first_occurrence(J, F)

    def F2J(s):
        return ''.join(f2j.get(ch, ch) for ch in s)

    def J2F(s):
        return ''.join(j2f.get(ch, ch) for ch in s)

    def expect(cases, conv, label):
        bad = ['%s->%s (want %s)' % (a, conv(a), b)
               for a, b in cases if conv(a) != b]
        if bad:
            raise Failure('%s: %s' % (label, ', '.join(bad)))

    def examples_f2j():
        expect([('國', '国'), ('爲', '为'), ('為', '为'), ('裡', '里'),
                ('裏', '里'), ('臺', '台'), ('颱', '台'), ('檯', '台'),
                ('啟', '启'), ('啓', '启'), ('髮', '发'), ('發', '发'),
                ('後', '后'), ('隻', '只'), ('係', '系'), ('繫', '系'),
                ('麵', '面'), ('乾', '干'), ('幹', '干'),
                ('中華民國', '中华民国'), ('頭髮與發現', '头发与发现')],
               F2J, 'F2J')

    def examples_j2f():
        expect([('国', '國'), ('为', '為'), ('里', '裡'), ('台', '台'),
                ('启', '啟'), ('后', '後'), ('发', '發'), ('着', '著'),
                ('这里', '這裡'), ('中国', '中國')], J2F, 'J2F')

    def stay_themselves():
        for ch in '只系面出表查中':
            if J2F(ch) != ch:
                raise Failure('J2F changes %s to %s' % (ch, J2F(ch)))
            if F2J(ch) != ch:
                raise Failure('F2J changes %s to %s' % (ch, F2J(ch)))
        if '中' in F or '中' in J:
            if f2j.get('中', '中') != '中' or j2f.get('中', '中') != '中':
                raise Failure('中 is paired with another character')

    c.run('F2J examples (國, 爲/為, 臺/颱/檯, 髮/發 ...)', examples_f2j)
    c.run('J2F examples give Taiwan standard forms (為, 裡, 台, 啟)',
          examples_j2f)
    c.run('只 系 面 出 表 查 中 stay unchanged in both directions',
          stay_themselves)

    if not shutil.which('opencc_dict') or not shutil.which('opencc'):
        c.failed += 1
        print('FAIL OpenCC checks: opencc / opencc_dict not found '
              '(install package opencc)')
        print('%d passed, %d failed' % (c.passed, c.failed))
        sys.exit(1)

    with tempfile.TemporaryDirectory() as tmp:
        ts = load_dict('TSCharacters', tmp)
        st = load_dict('STCharacters', tmp)
        twv = load_dict('TWVariants', tmp)
        twvrev = load_dict('TWVariantsRev', tmp)
        trad = sorted(k for k in set(ts) | set(twvrev) | set(F)
                      if encodable_936(k))
        simp = sorted(k for k in set(st) | set(twv) | set(J)
                      if encodable_936(k))
        tw2s = opencc_chars(trad, 'tw2s.json', tmp)
        s2tw = opencc_chars(simp, 's2tw.json', tmp)

    def f2j_matches_opencc():
        # Every Traditional character converts as OpenCC converts it on its
        # own (its preferred Simplified form, after mapping Taiwan forms to
        # OpenCC's); one whose Simplified form code page 936 lacks stays.
        wrong = []
        for t in trad:
            want = tw2s[t]
            if not encodable_936(want):
                want = t
            if F2J(t) != want:
                wrong.append('%s->%s (opencc %s)' % (t, F2J(t), tw2s[t]))
        if wrong:
            raise Failure('%d characters: %s' % (len(wrong), sample(wrong)))

    def f2j_preferred_ts():
        wrong = []
        for t, vals in ts.items():
            if t in twvrev or not encodable_936(t) \
                    or not encodable_936(vals[0]):
                continue
            if F2J(t) != vals[0]:
                wrong.append('%s->%s (preferred %s)' % (t, F2J(t), vals[0]))
        if wrong:
            raise Failure('%d characters: %s' % (len(wrong), sample(wrong)))

    def j2f_candidates():
        # Every Simplified character converts to one of OpenCC's Traditional
        # candidates in its Taiwan form, or stays if it has none (or none
        # that code page 936 encodes).
        wrong = []
        for s in simp:
            if s in st:
                cands = [twv.get(t, [t])[0] for t in st[s]]
            elif s in twv:
                cands = [twv[s][0]]
            else:
                cands = []
            allowed = set(t for t in cands if encodable_936(t)) or {s}
            if J2F(s) not in allowed:
                wrong.append('%s->%s (allowed %s)'
                             % (s, J2F(s), ''.join(sorted(allowed))))
        if wrong:
            raise Failure('%d characters: %s' % (len(wrong), sample(wrong)))

    def j2f_single_candidate_is_opencc():
        # Where OpenCC has exactly one answer, the table must give it.
        wrong = []
        for s in simp:
            cands = set(twv.get(t, [t])[0] for t in st.get(s, [s]))
            if len(cands) == 1 and encodable_936(s2tw[s]) \
                    and J2F(s) != s2tw[s]:
                wrong.append('%s->%s (opencc %s)' % (s, J2F(s), s2tw[s]))
        if wrong:
            raise Failure('%d characters: %s' % (len(wrong), sample(wrong)))

    def j2f_taiwan_forms():
        # No J2F result may be a form that Taiwan writes differently.
        wrong = sorted('%s->%s' % (s, t) for s, t in j2f.items()
                       if t in twv and twv[t][0] != t)
        if wrong:
            raise Failure('non-Taiwan forms produced: %s' % sample(wrong))

    def traditional_variants_all_convert():
        # Every Traditional candidate OpenCC lists for a Simplified character
        # converts back to it (爲 and 為 both become 为), unless OpenCC maps
        # that Traditional form to another Simplified character.
        wrong = []
        for s, ts_ in st.items():
            if not encodable_936(s):
                continue
            for t in set(ts_) | set(twv.get(t, [t])[0] for t in ts_):
                if not encodable_936(t) or t not in tw2s:
                    continue
                if tw2s[t] == s and F2J(t) != s:
                    wrong.append('%s->%s (want %s)' % (t, F2J(t), s))
        if wrong:
            raise Failure('%d characters: %s' % (len(wrong), sample(wrong)))

    c.run('F2J of every Traditional character equals OpenCC tw2s', f2j_matches_opencc)
    c.run('F2J gives TSCharacters preferred Simplified form', f2j_preferred_ts)
    c.run('J2F gives one of OpenCC\'s Traditional candidates', j2f_candidates)
    c.run('J2F equals OpenCC s2tw where the choice is unique',
          j2f_single_candidate_is_opencc)
    c.run('J2F produces Taiwan standard forms only', j2f_taiwan_forms)
    c.run('all Traditional variants convert to their Simplified form',
          traditional_variants_all_convert)

    print('%d passed, %d failed' % (c.passed, c.failed))
    sys.exit(1 if c.failed else 0)


if __name__ == '__main__':
    main()
