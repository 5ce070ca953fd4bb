# SPDX-License-Identifier: GPL-3.0-or-later
# fish completion for quirella, the window: its options, and folders.
complete -c quirella -l help -d "Show the usage"
complete -c quirella -l version -d "Show the version"
complete -c quirella -f -a "(__fish_complete_directories)"
