#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the bash completion of quirella-cli for a few partial command lines, in a scratch folder, and
# compares the candidates with what a user should be offered.
set -uo pipefail
script=$1
source /usr/share/bash-completion/bash_completion
source "$script"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" && mkdir Inbox Outbox && touch song.mp3 track.FLAC notes.txt cover.png

failures=0
# expect "<command line>" "<candidates, sorted, space-separated>"
expect() {
    local line=$1 wanted=$2
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -r -a COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _quirella_cli quirella-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sed 's|/$||' | sort | xargs)
    if [[ $got != "$wanted" ]]; then
        echo "FAIL: '$line' offered [$got], expected [$wanted]"
        failures=$((failures + 1))
    fi
}

expect "quirella-cli " "--help --version auto-search bpm clean-bpm edit lookup rename scan tag-from-name write"
expect "quirella-cli c" "clean-bpm"
expect "quirella-cli rename Inbox --pattern " "artist-title artist-title-year bpm-artist-title"
expect "quirella-cli rename Inbox --pattern bpm" "bpm-artist-title"
expect "quirella-cli rename Inbox --" "--analyze-bpm --dry-run --max-songs --pattern"
expect "quirella-cli tag-from-name song.mp3 --pattern " ""
expect "quirella-cli tag-from-name song.mp3 --" "--pattern --write"
expect "quirella-cli edit song.mp3 --uppercase " "album album-artist all artist genre title year"
expect "quirella-cli edit song.mp3 --clear " "album album-artist artist genre title year"
expect "quirella-cli edit song.mp3 --replace title " ""
expect "quirella-cli edit song.mp3 --set-r" "--set-rating"
expect "quirella-cli write song.mp3 --rating " "0 1 2 3 4 5"
expect "quirella-cli write song.mp3 --cover " "Inbox Outbox cover.png"
expect "quirella-cli write " "Inbox Outbox song.mp3 track.FLAC"
expect "quirella-cli scan " "Inbox Outbox"
expect "quirella-cli auto-search Inbox --" "--covers --genres --max-songs --write --years"
expect "quirella-cli lookup " ""

if ((failures > 0)); then
    exit 1
fi
echo "all completions as expected"
