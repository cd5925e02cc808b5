#!/usr/bin/python3
"""How often tavrel-convert agrees with OpenCC, character by character and
with phrases, on Chinese text from installed Debian packages (char_corpus.py).

  /usr/bin/python3 tools/phrases_accuracy.py [build/bin/tavrel-convert]

Simplified text goes through `tavrel-convert -t`, `-t -p` and `-t -p --region
tw` against `opencc -c s2tw.json`; Traditional text through `-s` and
`-s -p --region tw` against `tw2s.json`. Counted: the ideographs of OpenCC's
output on lines whose results are as long as OpenCC's.
"""

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


def main():
    default = os.path.join(os.path.dirname(tc.TOOLS_DIR), 'build', 'bin', 'tavrel-convert')
    program = sys.argv[1] if len(sys.argv) > 1 else default
    missing = char_corpus.missing_packages()
    if missing:
        print('missing packages: ' + ' '.join(missing), file=sys.stderr)
    print('| corpus | reference | command | ideographs | agreement |')
    print('| --- | --- | --- | --- | --- |')
    for name in char_corpus.SOURCES:
        lines = [line for part in ('build', 'held-out') for line in char_corpus.lines(name, part)]
        lines = [line.replace('\t', ' ') for line in lines if '\n' not in line and '\r' not in line]
        if not lines:
            continue
        config, runs = RUNS[char_corpus.script(name)]
        reference = tc.opencc_convert(lines, config)
        for arguments in runs:
            agree, total = agreement(tavrel(program, arguments, lines), reference)
            share = 100.0 * agree / total if total else 0.0
            print(f'| {name} | `{config}` | `tavrel-convert {" ".join(arguments)}` | {total:,} | {share:.2f} % |',
                  flush=True)


if __name__ == '__main__':
    main()
