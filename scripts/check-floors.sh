#!/usr/bin/env bash
# Keeps the floors of the source tree, each standing only on those below it:
#
#     shell/                    may include anything
#     rooms/ service/ schedule/ records/ payroll/ reports/ users/ skin/ resources/
#                               may include app/, desk/ and each other, never shell/
#     desk/                     may include app/ and desk/
#     app/                      may include app/ only
#
# and keeps the core library (the files listed under tavrel_core in each folder's
# CMakeLists.txt) free of widgets: a core file includes no header of Qt Widgets or Qt Print
# Support and no file of the gui library.
#
#     check-floors.sh SRC_DIR [QT_HEADER_DIR...]     e.g. .../qt6/QtWidgets .../qt6/QtPrintSupport
#
# Prints every offending include and fails when there is one. CTest runs it as "floors".
set -euo pipefail

src=${1:?usage: check-floors.sh SRC_DIR [QT_HEADER_DIR...]}
shift
widgetHeaderDirs=("$@")
cd "$src"

subsystems=" rooms service schedule records payroll reports users skin resources "
failures=0

fail() {
    echo "$1"
    failures=$((failures + 1))
}

# The floors a folder may include.
allowed() {
    case "$1" in
    app) echo " app " ;;
    desk) echo " app desk " ;;
    shell) echo " app desk shell$subsystems" ;;
    *) echo " app desk$subsystems" ;;
    esac
}

# Every quoted project include of a file: "floor/File.h" per line.
projectIncludes() {
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$1"
}

for file in $(find . -mindepth 2 -name '*.h' -o -mindepth 2 -name '*.cpp' | sed 's|^\./||' | sort); do
    floor=${file%%/*}
    permitted=$(allowed "$floor")
    while read -r included; do
        [ -z "$included" ] && continue
        target=${included%%/*}
        [ "$target" = "$included" ] && continue # a file beside it, e.g. a generated one
        if [[ "$permitted" != *" $target "* ]]; then
            fail "$file includes $included: $floor/ may not stand on $target/"
        fi
    done < <(projectIncludes "$file")
done

# The core library's files, as the folders list them under tavrel_core.
coreFiles=" "
for list in */CMakeLists.txt; do
    folder=${list%%/*}
    for name in $(awk '/target_sources\(tavrel_core/ { inside = 1; sub(/.*target_sources\(tavrel_core/, "") }
                       inside { line = $0; if (sub(/\).*/, "", line)) inside = 0; print line }' "$list" |
        tr -s ' \t' '\n' | grep -E '\.(h|cpp)$' || true); do
        coreFiles+="$folder/$name "
    done
done

for file in $coreFiles; do
    while read -r included; do
        [ -z "$included" ] && continue
        if [[ "$coreFiles" != *" $included "* ]]; then
            fail "$file includes $included: a core file may not include a file of the gui library"
        fi
    done < <(projectIncludes "$file")
    while read -r header; do
        [ -z "$header" ] && continue
        name=${header##*/}
        for dir in "${widgetHeaderDirs[@]}"; do
            if [ -e "$dir/$name" ] || [ "${header%%/*}" = "$(basename "$dir")" ]; then
                fail "$file includes <$header>: a core file may not use widgets"
            fi
        done
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$file")
done

if [ "$failures" -gt 0 ]; then
    echo "$failures include(s) break the floors"
    exit 1
fi
echo "floors kept: $(echo "$coreFiles" | wc -w) core files checked"
