#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every tracked source file names its licence in its first lines (after a #! line or a manual page's
# title). With --fix, the line is added where it is missing; without, the files that lack it are listed
# and the run fails.
set -euo pipefail
cd "$(dirname "$0")/.."
line="SPDX-License-Identifier: GPL-3.0-or-later"
fix=false
[ "${1:-}" = --fix ] && fix=true
missing=0
while IFS= read -r file; do
    case $file in
        *.cpp | *.h) comment="// $line" ;;
        *.scd) comment="; $line" ;;
        *) comment="# $line" ;;
    esac
    if head -n 3 "$file" | grep -qF "$line"; then
        continue
    fi
    if $fix; then
        if head -n 1 "$file" | grep -q '^#!\|^#compdef' || [[ $file == *.scd ]]; then
            sed -i "1a $comment" "$file"
        else
            sed -i "1i $comment" "$file"
        fi
    else
        echo "no licence line: $file"
        missing=1
    fi
done < <(git ls-files '*.cpp' '*.h' '*.sh' '*.py' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' 'Makefile' \
    '*.scd' '*.bash' '*.fish' 'completions/_*' '.ci/run' | grep -v '^fuzz/corpus/')
exit $missing
