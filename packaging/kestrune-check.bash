# bash completion for kestrune-check                        -*- shell-script -*-

_kestrune_check_add_rule()
{
    # no-symbols is both an operation option and a rule of its own.
    [[ " ${_kestrune_check_rules[*]} " == *" $1 "* ]] || _kestrune_check_rules+=("$1")
}

# Reads the option names, the options that take a value, and the rule names of --column from
# the program's own --help, once per session and program: a new option or operation then
# completes without a change here.
_kestrune_check_read_help()
{
    [[ ${_kestrune_check_help_of-} == "$1" ]] && return
    _kestrune_check_options=() _kestrune_check_valued=() _kestrune_check_rules=()
    local line section= name
    # "  --name" opens an option's line, "  --name ARG" one that takes a value; the operations'
    # names, and the rules' under "Rules:", are rules of --column as well.
    local option='^  (--[a-z0-9-]+)(,? ?)([A-Z]?)' rule='^    ([a-z][a-z0-9-]*=?)'
    while IFS= read -r line; do
        [[ -z $line ]] && section=
        [[ $line == Operations* ]] && section=operations
        [[ $line == "  Rules:"* ]] && section=rules
        if [[ $line =~ $option ]]; then
            name=${BASH_REMATCH[1]}
            _kestrune_check_options+=("$name")
            [[ ${BASH_REMATCH[3]} ]] && _kestrune_check_valued+=("$name")
            [[ $section == operations ]] && _kestrune_check_add_rule "${name#--}"
            # "--help, --version": the names after the first.
            line=${line#*"$name"}
            while [[ $line =~ ^,\ (--[a-z0-9-]+) ]]; do
                _kestrune_check_options+=("${BASH_REMATCH[1]}")
                line=${line#*"${BASH_REMATCH[1]}"}
            done
        elif [[ $section == rules && $line =~ $rule ]]; then
            _kestrune_check_add_rule "${BASH_REMATCH[1]}"
        fi
    done < <("$1" --output-encoding=utf-8 --help 2>/dev/null)
    _kestrune_check_help_of=$1
}

_kestrune_check()
{
    local cur prev words cword split
    _init_completion -s -n : || return

    _kestrune_check_read_help "$1"

    local i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == -- ]]; then
            _filedir
            return
        fi
    done

    if [[ " ${_kestrune_check_valued[*]} " == *" $prev "* ]]; then
        case $prev in
            --layout)
                _filedir
                ;;
            --*-encoding)
                COMPREPLY=($(compgen -W 'cp932 utf-8' -- "$cur"))
                ;;
            --column)
                # FIELD:RULE[,RULE...]: a rule's name after the colon or a comma.
                [[ $cur == *:* ]] || return
                local rule=${cur##*[:,]}
                COMPREPLY=($(compgen -P "${cur%"$rule"}" -W '${_kestrune_check_rules[@]}' \
                    -- "$rule"))
                [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace
                __ltrim_colon_completions "$cur"
                ;;
        esac
        return
    fi
    [[ $split == true ]] && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '${_kestrune_check_options[@]}' -- "$cur"))
        return
    fi
    _filedir
} &&
    complete -F _kestrune_check kestrune-check

# ex: filetype=sh
