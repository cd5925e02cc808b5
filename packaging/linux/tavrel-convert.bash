# bash completion for tavrel-convert                       -*- shell-script -*-

_tavrel_convert()
{
    local cur prev words cword split
    _init_completion -s || return

    local i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == -- ]]; then
            _filedir
            return
        fi
    done

    case $prev in
        --tables)
            _filedir -d
            return
            ;;
        --encoding | --output-encoding)
            COMPREPLY=($(compgen -W 'gbk gb18030 big5 utf-8 utf-8-bom utf-16le utf-16be' -- "$cur"))
            return
            ;;
        --region)
            COMPREPLY=($(compgen -W 'tw hk' -- "$cur"))
            return
            ;;
        -h | --help | --version)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-s --to-simplified -t --to-traditional --tables
            -p --phrases --region --vocabulary --encoding --output-encoding --batch --help --version --' -- "$cur"))
        return
    fi
    _filedir
}
complete -F _tavrel_convert tavrel-convert

# ex: filetype=sh
