#!/bin/bash
# Completes command lines of tavrel-convert with its bash completion, as bash
# would on Tab, and compares the offered words.
#   completion_test.sh BASH_COMPLETION_SCRIPT TAVREL_CONVERT_COMPLETION
set -u
source "$1"
source "$2"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tables" && touch "$work/text.txt"
cd "$work" || exit 1

failures=0
# check NAME LINE EXPECTED: completes LINE (the cursor at its end) and wants
# EXPECTED, the offered words sorted and joined by spaces.
check() {
    local name=$1 line=$2 expected=$3
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tavrel_convert tavrel-convert "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//')
    if [[ $got != "$expected" ]]; then
        echo "FAIL $name: '$line' offered '$got', wanted '$expected'"
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

check "long options by prefix"        "tavrel-convert --to-"               "--to-simplified --to-traditional"
check "encoding names"                "tavrel-convert -s --encoding utf-16" "utf-16be utf-16le"
check "output encoding names"         "tavrel-convert -s --output-encoding g" "gb18030 gbk"
check "only folders after --tables"   "tavrel-convert -s --tables "        "tables"
check "folders after --tables="       "tavrel-convert -s --tables=t"       "tables"
check "files as operands"             "tavrel-convert -s t"                "tables text.txt"
check "nothing after --version"       "tavrel-convert --version "          ""
exit $((failures > 0))
