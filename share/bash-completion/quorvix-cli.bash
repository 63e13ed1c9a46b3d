# bash completion for quorvix-cli

_quorvix_cli() {
    local cur prev words cword
    _init_completion || return

    local common="--settings-dir --cookies --retries -q --quiet -v --verbose -h --help"
    local download="--save --albums --match --defaults --threads --timeout --min-kb --max-kb
        --name-mode --list-only --no-list-only --skip-downloaded --no-skip-downloaded
        --source-names --no-source-names --fix-format --no-fix-format --fix-order --no-fix-order
        --archive --no-archive --aria2-rpc --aria2-secret --aria2-detach --aria2-input --no-aria2"

    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "list download archive --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --settings-dir | --save)
            _filedir -d
            return
            ;;
        --cookies | --archive | --aria2-input)
            _filedir
            return
            ;;
        --name-mode)
            COMPREPLY=($(compgen -W "desc seq url" -- "$cur"))
            return
            ;;
        --albums)
            COMPREPLY=($(compgen -W "all" -- "$cur"))
            return
            ;;
        --retries | --threads | --timeout | --min-kb | --max-kb | --match | --aria2-rpc | --aria2-secret)
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        case ${words[1]} in
            list) COMPREPLY=($(compgen -W "$common --json" -- "$cur")) ;;
            download) COMPREPLY=($(compgen -W "$common $download" -- "$cur")) ;;
            archive) COMPREPLY=($(compgen -W "--json --forget-missing --help" -- "$cur")) ;;
        esac
    elif [[ ${words[1]} == archive ]]; then
        _filedir
    fi
} &&
    complete -F _quorvix_cli quorvix-cli
