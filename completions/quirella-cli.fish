# SPDX-License-Identifier: GPL-3.0-or-later
# fish completion for quirella-cli: commands, options, --pattern values, column names, and file or
# folder names where a path is expected.

set -l commands scan write bpm rename clean-bpm tag-from-name lookup auto-search edit
set -l columns title artist genre year album album-artist

complete -c quirella-cli -f
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -a scan -d "Print a folder as JSON"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -a write -d "Write values into the files"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -a bpm -d "Detect the tempo of files"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -a rename -d "Rename files after their tags"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -a clean-bpm -d "Remove tempo tags from file names"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -a tag-from-name -d "Read tags from file and folder names"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -a lookup -d "Ask the catalogues about a recording"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -a auto-search -d "Look up missing covers, genres or years"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -a edit -d "Run the window's edits on files"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -l help -d "Show the usage of every command"
complete -c quirella-cli -n "not __fish_seen_subcommand_from $commands" -l version -d "Show the name and the version"

# Folders, or music files and folders, where a path is expected.
complete -c quirella-cli -n "__fish_seen_subcommand_from scan rename clean-bpm auto-search" -a "(__fish_complete_directories)"
complete -c quirella-cli -n "__fish_seen_subcommand_from write bpm edit tag-from-name" -F

complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l title -r -d "The title"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l artist -r -d "The artist"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l year -r -d "The year, 1900 to 2099, or 0"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l genre -r -d "The genre"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l rating -x -a "0 1 2 3 4 5" -d "The star rating"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l cover -r -F -d "The cover, from an image file"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l no-cover -d "No cover"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l album -r -d "The album"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l album-artist -r -d "The album's artist"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l track -r -d "The track number, N or N/T"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l disc -r -d "The disc number, N or N/T"
complete -c quirella-cli -n "__fish_seen_subcommand_from write" -l bpm -r -d "The tempo, 1 to 999"
complete -c quirella-cli -n "__fish_seen_subcommand_from bpm" -l write -d "Write the tempi into the tags"

complete -c quirella-cli -n "__fish_seen_subcommand_from rename" -l pattern -x -a "artist-title artist-title-year bpm-artist-title" -d "The naming pattern"
complete -c quirella-cli -n "__fish_seen_subcommand_from rename" -l analyze-bpm -d "Detect missing tempos first"
complete -c quirella-cli -n "__fish_seen_subcommand_from rename" -l dry-run -d "Print old and new names, rename nothing"
complete -c quirella-cli -n "__fish_seen_subcommand_from tag-from-name" -l pattern -x -d "The pattern, such as %artist% - %title%"
complete -c quirella-cli -n "__fish_seen_subcommand_from tag-from-name" -l write -d "Write the tags into the files"

complete -c quirella-cli -n "__fish_seen_subcommand_from scan rename clean-bpm auto-search" -l max-songs -x -a "1000 5000 10000 50000 100000" -d "The largest folder taken"

complete -c quirella-cli -n "__fish_seen_subcommand_from auto-search" -l covers -d "Look up covers"
complete -c quirella-cli -n "__fish_seen_subcommand_from auto-search" -l genres -d "Look up genres"
complete -c quirella-cli -n "__fish_seen_subcommand_from auto-search" -l years -d "Look up years"
complete -c quirella-cli -n "__fish_seen_subcommand_from auto-search edit" -l write -d "Write the tags into the files"

complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l uppercase -x -a "$columns all" -d "Upper case"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l title-case -x -a "$columns all" -d "First letters in capitals"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l clean-characters -d "The Characters clean-up"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l swap -d "Swap artist and title"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l clear -x -a "$columns" -d "Empty a column"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l replace -x -a "$columns" -d "One value for a column"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l set-genre -r -d "One genre for every song"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l set-rating -x -a "1 2 3 4" -d "Stars for every song"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l clear-ratings -d "No rating for any song"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l number-tracks -d "Track numbers in the order of the songs"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l remove -r -d "Take a text out"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l remove-replacement -r -d "What replaces a removed text"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l replace-text -r -d "Replace a text"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l cover-all -r -F -d "One cover for every song"
complete -c quirella-cli -n "__fish_seen_subcommand_from edit" -l clear-covers -d "No cover for any song"
