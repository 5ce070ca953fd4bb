# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for quirella-cli: commands, options, --pattern values, column names, and file or
# folder names where a path is expected.

_quirella_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="scan write bpm rename clean-bpm tag-from-name lookup auto-search edit --help --version"
    if ((cword == 1)); then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        return
    fi

    local command=${words[1]} columns="title artist genre year album album-artist"
    case $prev in
        --pattern)
            # A pattern of one's own ("%artist% - %title%") is free text; rename also takes three names.
            [[ $command == rename ]] &&
                COMPREPLY=($(compgen -W "artist-title artist-title-year bpm-artist-title" -- "$cur"))
            return
            ;;
        --uppercase | --title-case)
            COMPREPLY=($(compgen -W "$columns all" -- "$cur"))
            return
            ;;
        --clear | --replace)
            COMPREPLY=($(compgen -W "$columns" -- "$cur"))
            return
            ;;
        --rating)
            COMPREPLY=($(compgen -W "0 1 2 3 4 5" -- "$cur"))
            return
            ;;
        --set-rating)
            COMPREPLY=($(compgen -W "1 2 3 4" -- "$cur"))
            return
            ;;
        --cover | --cover-all)
            _filedir '@(png|PNG|jpg|JPG|jpeg|JPEG)'
            return
            ;;
        --max-songs)
            COMPREPLY=($(compgen -W "1000 5000 10000 50000 100000" -- "$cur"))
            return
            ;;
        --title | --artist | --year | --genre | --set-genre | --remove | --remove-replacement | \
            --replace-text | --album | --album-artist | --track | --disc | --bpm)
            return
            ;;
    esac
    # The value after a column of --replace, and the two texts of --replace-text, are free text.
    if ((cword >= 3)) && [[ ${words[cword - 2]} == @(--replace|--replace-text) ]]; then
        return
    fi

    local options=""
    case $command in
        write)
            options="--title --artist --year --genre --rating --cover --no-cover --album --album-artist --track
                --disc --bpm"
            ;;
        bpm) options="--write" ;;
        scan | clean-bpm) options="--max-songs" ;;
        rename) options="--pattern --analyze-bpm --dry-run --max-songs" ;;
        tag-from-name) options="--pattern --write" ;;
        auto-search) options="--covers --genres --years --write --max-songs" ;;
        edit)
            options="--uppercase --title-case --clean-characters --swap --clear --replace --set-genre
                --set-rating --clear-ratings --number-tracks --remove --remove-replacement --replace-text
                --cover-all --clear-covers --write"
            ;;
        lookup | --help | --version) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    case $command in
        scan | rename | clean-bpm | auto-search) _filedir -d ;;
        write | bpm | edit | tag-from-name) _filedir '@(mp3|m4a|wav|aiff|aif|flac|ogg|oga|opus|MP3|M4A|WAV|AIFF|AIF|FLAC|OGG|OGA|OPUS)' ;;
    esac
} && complete -F _quirella_cli quirella-cli

_quirella() {
    local cur prev words cword
    _init_completion || return
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--help --version --" -- "$cur"))
        return
    fi
    _filedir -d
} && complete -F _quirella quirella
