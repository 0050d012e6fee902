#!/usr/bin/env bash
# Checks the include rules of the tree (ARCHITECTURE.md): every library
# includes only itself and the libraries below it, and only the main window's
# own files, the program's entry and the window tests include the main window
# header. Prints each include that breaks a rule; exit status 1 when any does.
#
#   tools/check-layout.sh [SOURCE_DIR]
set -euo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
cd "$root"

# folder | the top folders its files may include from
rules=(
    "platform/system|platform/system"
    "platform/graphics|platform/system platform/graphics"
    "platform/widgets|platform"
    "engine|platform engine"
    "effects|platform engine effects"
    "scripts|platform engine effects scripts"
    "shell|platform engine shell"
    "overlays|platform engine effects shell overlays"
    "workspace|platform engine effects scripts shell overlays workspace"
)
window_header=workspace/window/MainWindow.h

status=0
for rule in "${rules[@]}"; do
    folder=${rule%%|*}
    allowed=${rule#*|}
    while IFS=: read -r file line text; do
        target=${text#*\"}
        target=${target%%\"*}
        ok=0
        for prefix in $allowed; do
            [[ $target == "$prefix"/* ]] && ok=1
        done
        if ((!ok)); then
            echo "$file:$line: $folder may not include $target"
            status=1
        fi
    done < <(grep -rnE '^#include "(platform|engine|effects|scripts|shell|overlays|workspace)/' "$folder" \
                 --include='*.cpp' --include='*.h' || true)
done

while IFS=: read -r file line _; do
    case $file in
    workspace/window/* | main.cpp | tests/workspace/*) ;;
    *)
        echo "$file:$line: only the main window's files, main.cpp and the window tests include $window_header"
        status=1
        ;;
    esac
done < <(grep -rnF "#include \"$window_header\"" --include='*.cpp' --include='*.h' \
             main.cpp HeadlessRunner.cpp platform engine effects scripts shell overlays workspace tests bench fuzz tools || true)

exit $status
