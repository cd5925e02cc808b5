#!/usr/bin/python3
"""Writes the phrase dictionaries of tavrel-convert --phrases into data/.

Built from OpenCC's dictionaries (Debian's opencc and libopencc-data):
STPhrases and TSPhrases for the phrases both ways, TWVariants* and
HKVariants* for the regional forms, TWPhrases and TWPhrasesRev for the
Taiwan vocabulary. Each file holds one phrase a line, "source<TAB>target",
in UTF-8, sorted; a region's file and the vocabulary hold only what differs
from the default file, and are read after it.

  phrases-s2t.txt      Simplified to Traditional, the tables' forms
  phrases-s2t-tw.txt   ... Taiwan standard forms (臺灣, 舞臺)
  phrases-s2t-hk.txt   ... Hong Kong forms (爲, 裏, 着)
  vocabulary-s2t-tw.txt  Taiwan words (软件 → 軟體)
  vocabulary-s2t-hk.txt  empty: OpenCC has no Hong Kong words
  phrases-t2s.txt, phrases-t2s-tw.txt, phrases-t2s-hk.txt, vocabulary-t2s-tw.txt,
  vocabulary-t2s-hk.txt  the same the other way
"""

import os
import sys

import tables_common as tc


def first(values):
    return values[0].split(' ')[0]


def simple(name):
    """{key: first value} of an OpenCC dictionary."""
    return {key: first(values) for key, values in tc.load_dict(name).items()}


def table_map():
    """Simplified character -> the character the shipped tables give."""
    with open(os.path.join(tc.DATA_DIR, 'systemF.txt'), encoding='gbk') as f:
        tf = f.read()
    with open(os.path.join(tc.DATA_DIR, 'systemJ.txt'), encoding='gbk') as f:
        tj = f.read()
    j2f, f2j = {}, {}
    for t, s in zip(tf, tj):
        j2f.setdefault(s, t)
        f2j.setdefault(t, s)
    return j2f, f2j


def chars(text, mapping):
    return ''.join(mapping.get(c, c) for c in text)


def convert(text, phrases, characters):
    """Forward longest match of `phrases`, then `characters`, as OpenCC would."""
    longest = max(map(len, phrases)) if phrases else 1
    out, i = [], 0
    while i < len(text):
        for length in range(min(longest, len(text) - i), 0, -1):
            piece = text[i:i + length]
            if length > 1 and piece in phrases:
                out.append(phrases[piece])
                break
            if length == 1:
                out.append(characters.get(piece, piece))
        i += length
    return ''.join(out)


def overlay(full, default):
    return {k: v for k, v in full.items() if default.get(k) != v}


def write(name, entries):
    path = os.path.join(tc.DATA_DIR, name)
    with open(path, 'w', encoding='utf-8', newline='\n') as f:
        for key in sorted(entries):
            f.write(f'{key}\t{entries[key]}\n')
    print(f'{name}: {len(entries)} phrases', file=sys.stderr)


def main():
    st, ts = simple('STPhrases'), simple('TSPhrases')
    st_chars, ts_chars = simple('STCharacters'), simple('TSCharacters')
    tw, tw_rev = simple('TWVariants'), simple('TWVariantsRev')
    hk = simple('HKVariants')
    tw_rev_phrases, hk_rev_phrases = simple('TWVariantsRevPhrases'), simple('HKVariantsRevPhrases')
    tw_words, tw_words_rev = simple('TWPhrases'), simple('TWPhrasesRev')
    j2f, f2j = table_map()

    # Simplified to Traditional. Taiwan: OpenCC's s2tw, phrase by phrase.
    s2t_tw = {k: chars(v, tw) for k, v in st.items()}
    # Default: the same, but a 台 of the source stays 台 where the tables keep it.
    def tables_forms(key, value):
        if len(key) != len(value):
            return value
        return ''.join(j2f.get(s, s) if t == '臺' and s == '台' and j2f.get(s) == '台' else t
                       for s, t in zip(key, value))
    s2t = {k: tables_forms(k, v) for k, v in s2t_tw.items()}
    # Hong Kong: OpenCC's s2hk, phrase by phrase, and the characters whose
    # Hong Kong form differs from the tables' Taiwan form.
    s2t_hk = {k: chars(v, hk) for k, v in st.items()}
    for s, t in j2f.items():
        form = chars(chars(t, tw_rev), hk)
        if form != t and s != t:
            s2t_hk[s] = form
    s2t_hk = overlay(s2t_hk, s2t)
    s2t_tw = overlay(s2t_tw, s2t)
    # Taiwan words: keys made Simplified, values in Taiwan forms.
    s2t_words = {}
    for key, value in tw_words.items():
        simplified = convert(key, ts, ts_chars)
        target = chars(value, tw)
        if simplified != target and convert(simplified, s2t, j2f) != target:
            s2t_words[simplified] = target

    # Traditional to Simplified: TSPhrases, matched in OpenCC's forms and
    # in Taiwan's (the tables read both).
    t2s = {}
    for key, value in ts.items():
        t2s[key] = value
        t2s.setdefault(chars(key, tw), value)
    # Regions: their phrases that keep a variant character, converted as tw2s / hk2s would.
    # A region's phrase keeps its variant characters from the variant stage.
    def rev_phrases(phrases):
        out = {}
        for key, value in phrases.items():
            target = convert(value, ts, ts_chars)
            if convert(key, t2s, f2j) != target:
                out[key] = target
        return out
    t2s_tw = overlay(rev_phrases(tw_rev_phrases), t2s)
    t2s_hk = overlay(rev_phrases(hk_rev_phrases), t2s)
    t2s_words = {}
    for key, value in tw_words_rev.items():
        target = convert(value, ts, ts_chars)
        if convert(key, t2s, f2j) != target:
            t2s_words[key] = target

    write('phrases-s2t.txt', s2t)
    write('phrases-s2t-tw.txt', s2t_tw)
    write('phrases-s2t-hk.txt', s2t_hk)
    write('vocabulary-s2t-tw.txt', s2t_words)
    write('phrases-t2s.txt', t2s)
    write('phrases-t2s-tw.txt', t2s_tw)
    write('phrases-t2s-hk.txt', t2s_hk)
    write('vocabulary-t2s-tw.txt', t2s_words)
    # OpenCC has no Hong Kong words: empty files, for users to fill.
    write('vocabulary-s2t-hk.txt', {})
    write('vocabulary-t2s-hk.txt', {})


if __name__ == '__main__':
    main()
