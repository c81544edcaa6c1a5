# bash completion for norvik-cli                              -*- shell-script -*-

_norvik_cli() {
    local cur prev words cword
    _init_completion || return

    case $prev in
        --device)
            # The stable names first: they follow the adapter from socket to socket.
            local ids
            ids=$(compgen -G '/dev/serial/by-id/*' 2>/dev/null)
            if [[ -n $ids ]]; then
                COMPREPLY=($(compgen -W "$ids" -- "$cur"))
            else
                COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}"))
            fi
            return ;;
        --port) COMPREPLY=($(compgen -W '1 2 3 4 5 6 7 8' -- "$cur")); return ;;
        --baud) COMPREPLY=($(compgen -W '2400 4800 9600 19200 38400 57600 115200' -- "$cur")); return ;;
        --parity) COMPREPLY=($(compgen -W 'none odd even' -- "$cur")); return ;;
        --pace) COMPREPLY=($(compgen -W 'as-answered tick' -- "$cur")); return ;;
        -o|--output) _filedir; return ;;
        --from-backup) _filedir norvik; return ;;
    esac

    # The command and subcommand typed so far.
    local i command="" sub=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --device|--port|--baud|--parity|--pace|-o|--output|--from-backup) ((i++)) ;;
            -*) ;;
            *) if [[ -z $command ]]; then command=${words[i]}; elif [[ -z $sub ]]; then sub=${words[i]}; fi ;;
        esac
    done

    local global='--device --port --baud --parity --pace --json --quiet --help --version'
    case $command in
        "")
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$global" -- "$cur"))
            else
                COMPREPLY=($(compgen -W 'info files safe-values ip backup restore diff report' -- "$cur"))
            fi ;;
        safe-values|ip)
            case $sub in
                "") COMPREPLY=($(compgen -W 'get put' -- "$cur")) ;;
                get) COMPREPLY=($(compgen -W "-o $global" -- "$cur")) ;;
                put) if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W "--no-verify $global" -- "$cur")); else _filedir ptm; fi ;;
            esac ;;
        backup) COMPREPLY=($(compgen -W "-o $global" -- "$cur")) ;;
        restore) if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W "--dry-run --no-verify $global" -- "$cur")); else _filedir norvik; fi ;;
        diff) if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W "$global" -- "$cur")); else _filedir norvik; fi ;;
        report) COMPREPLY=($(compgen -W "-o --csv --from-backup $global" -- "$cur")) ;;
        *) COMPREPLY=($(compgen -W "$global" -- "$cur")) ;;
    esac
} &&
    complete -F _norvik_cli norvik-cli

# ex: filetype=sh
