# bash completion for orvantis-cli: commands, their options, the values of
# options with a fixed set, and knowledge bases (*.tov) as the file argument.

_orvantis_cli_files() {
    # $1: a glob the files must match ("" for any file); folders always
    local cur=$1 pattern=$2 line
    COMPREPLY=()
    compopt -o filenames 2>/dev/null
    if [[ -n $pattern ]]; then
        while IFS= read -r line; do COMPREPLY+=("$line"); done < <(compgen -f -X "!$pattern" -- "$cur")
    else
        while IFS= read -r line; do COMPREPLY+=("$line"); done < <(compgen -f -- "$cur")
    fi
    while IFS= read -r line; do COMPREPLY+=("$line"); done < <(compgen -d -- "$cur")
}

_orvantis_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="create info tree search dump add set move delete trash import export print backup
        restore backup-settings reorganize protect unprotect admin hold generate help"
    # options that take a value, so the word after them is no argument
    local valued=" --password --password-file --admin --admin-file --new-file --set-file --copy-password --copy-password-file --from --id --to --parent --name --text --link --folder --format --pdf --dir --count --auto
        --new --set --seconds --transaction --entries --seed --older-than "
    local tov='*.[tT][oO][vV]'
    COMPREPLY=()
    # --option=value: bash splits the word at "=", the value is completed
    # as after --option value
    if [[ $cur == = ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 1]} cur=
    elif [[ $prev == = ]] && ((COMP_CWORD > 2)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    local cmd=${COMP_WORDS[1]}
    if [[ $cmd == help ]]; then
        ((COMP_CWORD == 2)) && COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        return
    fi

    case $prev in
        --pdf) _orvantis_cli_files "$cur" '*.[pP][dD][fF]'; return ;;
        --from) _orvantis_cli_files "$cur" ""; return ;;
        --dir) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --count) COMPREPLY=($(compgen -W "5 10 20 30 50 100 unbegrenzt" -- "$cur")); return ;;
        --auto) COMPREPLY=($(compgen -W "on off" -- "$cur")); return ;;
        --transaction) COMPREPLY=($(compgen -W "exclusive write" -- "$cur")); return ;;
        --format) COMPREPLY=($(compgen -W "vorlage html markdown text" -- "$cur")); return ;;
    esac
    [[ $valued == *" $prev "* ]] && return

    local opts=
    case $cmd in
        info) opts="--json" ;;
        tree) opts="--folder --json" ;;
        search) opts="--keywords --texts --json" ;;
        add) opts="--parent --name --text --folder" ;;
        set) opts="--name --text --link" ;;
        import) opts="--folder" ;;
        export) opts="--folder --format" ;;
        print) opts="--folder --pdf" ;;
        restore) opts="--from --id --to --copy-password --copy-password-file" ;;
        backup-settings) opts="--dir --count --auto" ;;
        protect) opts="--new --new-file" ;;
        admin) opts="--set --set-file --delete" ;;
        hold) opts="--seconds --transaction" ;;
        generate) opts="--entries --seed" ;;
        trash) opts="--json --to --older-than" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$opts --yes --password --password-file --admin --admin-file --help" -- "$cur"))
        return
    fi

    # which argument is being typed: count the words before it that are no
    # option and no option's value
    local i n=0 word
    for ((i = 2; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == --* ]]; then
            [[ $valued == *" $word "* ]] && ((i++))
        else
            ((n++))
        fi
    done
    if ((n == 0)); then
        _orvantis_cli_files "$cur" "$tov"
    elif ((n == 1)) && [[ $cmd == trash ]]; then
        COMPREPLY=($(compgen -W "list restore purge" -- "$cur"))
    elif ((n == 1)) && [[ $cmd == import || $cmd == export ]]; then
        # the template or document; "-" is standard input or output
        _orvantis_cli_files "$cur" ""
    fi
}
complete -F _orvantis_cli orvantis-cli
