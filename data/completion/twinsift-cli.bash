# bash completion for twinsift-cli                                   -*- shell-script -*-
# Commands, their options and the values of --format and --types; paths fall back to bash's own
# file-name completion (registered with -o default below).

_twinsift_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    # bash splits "--types=mu" into "--types" "=" "mu".
    if [[ $cur == "=" ]]; then
        cur=
    elif [[ $prev == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    local command='' only_paths='' i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            fingerprint | scan | clean | undo) [[ -z $command ]] && command=${COMP_WORDS[i]} ;;
            --) [[ -n $command ]] && only_paths=1 ;;
        esac
    done

    COMPREPLY=()
    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "fingerprint scan clean undo --help --version" -- "$cur")
        return
    fi
    [[ -n $only_paths ]] && return

    case $prev in
        --format)
            local formats="text json csv"
            [[ $command == clean ]] && formats="text json"
            mapfile -t COMPREPLY < <(compgen -W "$formats" -- "$cur")
            return
            ;;
        --keep)
            mapfile -t COMPREPLY < <(compgen -W "newest oldest" -- "$cur")
            return
            ;;
        --on-error)
            mapfile -t COMPREPLY < <(compgen -W "quit continue" -- "$cur")
            return
            ;;
        --link)
            mapfile -t COMPREPLY < <(compgen -W "hard reflink" -- "$cur")
            return
            ;;
        --move-to)
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return
            ;;
        --source | --ext)
            return
            ;;
        --types)
            # A comma-separated list: complete its last item.
            local chosen=${cur%"${cur##*,}"}
            mapfile -t COMPREPLY < <(compgen -P "$chosen" -W "document movie music picture archive" \
                -- "${cur##*,}")
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        local options
        case $command in
            fingerprint) options="--level" ;;
            scan) options="--format --null --min-size --fast-scan-size --no-fast-scan --no-cache --types --use-settings --verbose --quiet" ;;
            undo) options="--list" ;;
            clean) options="--keep --source --ext --protect --protect-source --move-to --link --dry-run --include-empty --on-error --format --null --min-size --fast-scan-size --no-fast-scan --no-cache --types --use-settings --verbose --quiet" ;;
        esac
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    fi
}
complete -o bashdefault -o default -F _twinsift_cli twinsift-cli
