#!/usr/bin/python3
"""Generate the character tables data/systemF.txt and data/systemJ.txt.

The converter maps a character by finding its FIRST occurrence in one table
and emitting the character at the same position of the other table
(Traditional -> Simplified searches systemF, Simplified -> Traditional
searches systemJ).  Each table is a single line of GBK (code page 936) text
without any line end; both have the same length.

Sources (OpenCC dictionaries, dumped with opencc_dict at run time):
  TSCharacters  Traditional -> Simplified, preferred first
  TWVariantsRev Taiwan form -> OpenCC Traditional form (applied before TS)
  STCharacters  Simplified -> Traditional candidates, preferred first
  TWVariants    OpenCC Traditional form -> Taiwan form (applied after ST)
and tools/tables_frequency.tsv (made by gen_tables_frequency.py), which
ranks the Traditional candidates of a Simplified character by how often
OpenCC's phrase-level converter picks each in real text.

Usage: /usr/bin/python3 tools/gen_tables.py [-o DATA_DIR] [--freq FILE]
"""

import argparse
import os

import tables_common as tc

# Simplified characters whose Traditional form is fixed regardless of the
# corpus counts.
FIXED_TRADITIONAL = {
    # Taiwan writes 台 in everyday text (台灣, 平台, 一台); OpenCC lists the
    # formal variant 臺 first.
    '台': '台',
    # 銷燬 (for 销毁, frequent in technical text) is the only common word
    # with 燬; 摧毀, 毀壞, 毀滅 and the rest use 毀.
    '毁': '毀',
    # Characters that are also the usual Traditional form of themselves:
    # the other candidates (隻, 係/繫, 麵, 齣, 錶) are the rarer readings.
    '只': '只', '系': '系', '面': '面', '出': '出', '表': '表',
}

# Pseudo-count given to OpenCC's preferred candidate, so that a handful of
# corpus observations does not override OpenCC's own judgement.
PRIOR = 5


def load_frequency(path):
    freq = {}
    if not path or not os.path.exists(path):
        return freq
    with open(path, encoding='utf-8') as f:
        for line in f:
            if not line.strip() or line.startswith('#'):
                continue
            s, t, n = line.rstrip('\n').split('\t')
            freq[(s, t)] = int(n)
    return freq


def simplified_to_traditional(st, twv, freq):
    """Desired J2F mapping {S: T}, for every S that s2tw would change.

    Candidates are OpenCC's Traditional forms, each replaced by its Taiwan
    form, ranked by corpus count and then by OpenCC's own order; the first
    one that code page 936 encodes wins.
    """
    out = {}
    for s in sorted(set(st) | set(twv)):
        if not tc.gbk_ok(s):
            continue
        cands = tc.taiwan_candidates(s, st, twv)
        if s in FIXED_TRADITIONAL:
            cands.sort(key=lambda t: t != FIXED_TRADITIONAL[s])
        else:
            order = {t: i for i, t in enumerate(cands)}

            def score(t):
                return freq.get((s, t), 0) + (PRIOR if order[t] == 0 else 0)
            cands.sort(key=lambda t: (-score(t), order[t]))
        for t in cands:
            if tc.gbk_ok(t):
                out[s] = t
                break
    return out


def traditional_to_simplified(ts, twvrev):
    """Desired F2J mapping {T: S}, as tw2s converts single characters.

    Taiwan forms are first mapped to OpenCC's Traditional form, which is
    then converted with OpenCC's preferred Simplified form.  A Traditional
    character whose Simplified form code page 936 cannot encode is left
    out (it stays unchanged).
    """
    out = {}
    for t in sorted(set(ts) | set(twvrev)):
        if not tc.gbk_ok(t):
            continue
        mid = twvrev.get(t, [t])[0]
        s = ts.get(mid, [mid])[0]
        if tc.gbk_ok(s):
            out[t] = s
    return out


def build_pairs(f2j, j2f):
    """Order (T, S) pairs so that first occurrences give f2j and j2f.

    A pair (T, S) fixes F2J(T) if T has not appeared in the F column yet,
    and J2F(S) if S has not appeared in the J column yet.  Characters not in
    a mapping must convert to themselves wherever they end up in a column,
    which identity pairs (X, X) take care of.
    """
    def want_f(t):
        return f2j.get(t, t)

    def want_j(s):
        return j2f.get(s, s)

    needed = set()
    for t, s in f2j.items():
        if s != t:
            needed.add((t, s))
    for s, t in j2f.items():
        if t != s:
            needed.add((t, s))
    # Close over identity pairs: any character present in a column whose
    # wanted mapping is itself needs (X, X) ahead of other pairs with X.
    while True:
        extra = set()
        for t, s in needed:
            if want_f(t) == t and (t, t) not in needed:
                extra.add((t, t))
            if want_j(s) == s and (s, s) not in needed:
                extra.add((s, s))
        if not extra:
            break
        needed |= extra

    placed_f, placed_j = set(), set()
    pairs = []
    remaining = sorted(needed, key=lambda p: (ord(p[1]), ord(p[0])))
    while remaining:
        rest = []
        for t, s in remaining:
            ok_f = t in placed_f or want_f(t) == s
            ok_j = s in placed_j or want_j(s) == t
            if ok_f and ok_j:
                pairs.append((t, s))
                placed_f.add(t)
                placed_j.add(s)
            else:
                rest.append((t, s))
        if len(rest) == len(remaining):
            raise SystemExit('cannot order pairs: %r' % rest[:20])
        remaining = rest
    # Pairs that no longer decide anything (both columns already set) can
    # only be dropped if they carry no information; keep the table minimal.
    seen_f, seen_j, out = set(), set(), []
    for t, s in pairs:
        if t in seen_f and s in seen_j:
            continue
        seen_f.add(t)
        seen_j.add(s)
        out.append((t, s))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('-o', '--output', default=tc.DATA_DIR)
    ap.add_argument('--freq', default=tc.FREQUENCY_FILE)
    ap.add_argument('--opencc-dir', default=tc.OPENCC_DIR)
    args = ap.parse_args()

    ts, twvrev, st, twv = (tc.load_dict(n, args.opencc_dir)
                           for n in tc.SOURCE_DICTS)
    f2j = traditional_to_simplified(ts, twvrev)
    j2f = simplified_to_traditional(st, twv, load_frequency(args.freq))
    pairs = build_pairs(f2j, j2f)

    os.makedirs(args.output, exist_ok=True)
    columns = ''.join(t for t, _ in pairs), ''.join(s for _, s in pairs)
    for name, column in zip(tc.TABLE_FILES, columns):
        with open(os.path.join(args.output, name), 'wb') as f:
            f.write(column.encode('gbk'))
    print('%d pairs written to %s' % (len(pairs), args.output))


if __name__ == '__main__':
    main()
