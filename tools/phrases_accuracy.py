#!/usr/bin/python3
"""How often tavrel-convert agrees with OpenCC, character by character and
with phrases, on Chinese text from installed Debian packages (char_corpus.py).

  /usr/bin/python3 tools/phrases_accuracy.py [build/bin/tavrel-convert]

Simplified text goes through `tavrel-convert -t`, `-t -p` and `-t -p --region
tw` against `opencc -c s2tw.json`; Traditional text through `-s` and
`-s -p --region tw` against `tw2s.json`. Counted: the ideographs of OpenCC's
output on lines whose results are as long as OpenCC's. Then the
disagreements of each corpus's last command, by kind: a character with
several forms in OpenCC's character dictionary (the context decides), one
form the Taiwan variant of the other, or neither; each with its source
character, the two forms (ours, then OpenCC's), the count and OpenCC's text
around one of them.
"""

import collections

import os
import subprocess
import sys

import char_corpus
import tables_common as tc

RUNS = {
    'S': ('s2tw.json', [['-t'], ['-t', '-p'], ['-t', '-p', '--region', 'tw']]),
    'T': ('tw2s.json', [['-s'], ['-s', '-p', '--region', 'tw']]),
}


def tavrel(program, arguments, lines):
    text = '\n'.join(lines) + '\n'
    out = subprocess.run([program] + arguments + ['--encoding', 'utf-8'], input=text.encode('utf-8'),
                         capture_output=True, check=True).stdout.decode('utf-8')
    return out.split('\n')[:len(lines)]


def agreement(ours, reference):
    agree = total = 0
    for mine, theirs in zip(ours, reference):
        if len(mine) != len(theirs):
            continue
        for a, b in zip(mine, theirs):
            if tc.is_cjk(b):
                total += 1
                agree += a == b
    return agree, total


def disagreements(sources, ours, reference):
    """{(source, ours, OpenCC's): (count, OpenCC's text around the first)}."""
    found = collections.Counter()
    example = {}
    for source, mine, theirs in zip(sources, ours, reference):
        if len(mine) != len(theirs) or len(source) != len(theirs):
            continue
        for i, (a, b) in enumerate(zip(mine, theirs)):
            if tc.is_cjk(b) and a != b:
                found[source[i], a, b] += 1
                example.setdefault((source[i], a, b), theirs[max(0, i - 3):i + 4])
    return {key: (count, example[key]) for key, count in found.most_common()}


def kind(source, a, b, characters, variants):
    if variants.get(a, [a])[0] == b or variants.get(b, [b])[0] == a:
        return 'one form the Taiwan variant of the other'
    if {a, b} <= set(characters.get(source, [])) | {source}:
        return 'a character of several forms, the context deciding'
    return 'neither'


def print_kinds(found, characters, variants):
    kinds = collections.defaultdict(list)
    for (source, a, b), (count, text) in found.items():
        kinds[kind(source, a, b, characters, variants)].append(f'{source}→{a}/{b} {count} ({text})')
    for name, rows in kinds.items():
        print(f'- {name}: ' + ', '.join(rows))


def main():
    default = os.path.join(os.path.dirname(tc.TOOLS_DIR), 'build', 'bin', 'tavrel-convert')
    program = sys.argv[1] if len(sys.argv) > 1 else default
    missing = char_corpus.missing_packages()
    if missing:
        print('missing packages: ' + ' '.join(missing), file=sys.stderr)
    print('| corpus | reference | command | ideographs | agreement |')
    print('| --- | --- | --- | --- | --- |')
    last = {}
    for name in char_corpus.SOURCES:
        lines = [line for part in ('build', 'held-out') for line in char_corpus.lines(name, part)]
        lines = [line.replace('\t', ' ') for line in lines if '\n' not in line and '\r' not in line]
        if not lines:
            continue
        config, runs = RUNS[char_corpus.script(name)]
        reference = tc.opencc_convert(lines, config)
        for arguments in runs:
            ours = tavrel(program, arguments, lines)
            agree, total = agreement(ours, reference)
            share = 100.0 * agree / total if total else 0.0
            print(f'| {name} | `{config}` | `tavrel-convert {" ".join(arguments)}` | {total:,} | {share:.2f} % |',
                  flush=True)
        last[name] = (" ".join(runs[-1]), disagreements(lines, ours, reference))
    dictionaries = {'S': (tc.load_dict('STCharacters'), tc.load_dict('TWVariants')),
                    'T': (tc.load_dict('TSCharacters'), tc.load_dict('TWVariantsRev'))}
    for name, (arguments, found) in last.items():
        print(f'\n{name}, `tavrel-convert {arguments}`: {sum(count for count, _ in found.values())} disagreements')
        print_kinds(found, *dictionaries[char_corpus.script(name)])


if __name__ == '__main__':
    main()
