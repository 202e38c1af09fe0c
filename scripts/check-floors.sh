#!/usr/bin/env bash
# Keeps the floors of the source tree, each standing only on those below it:
#
#     shell/                    may include anything
#     the subsystems            may include app/, desk/ and the subsystems they are declared
#                               to use below (never shell/)
#     desk/                     may include app/ and desk/
#     app/                      may include app/ only
#
# Among the subsystems every use goes one way: the declared uses form no circle, and an
# include that the declaration does not allow fails. A folder under src/ that is declared
# nowhere fails too, so a new subsystem says what it stands on.
#
# It also keeps the core library (the files listed under tavrel_core in each folder's
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

# Which subsystems each subsystem may use, besides app/ and desk/.
declare -A uses=(
    [skin]=""
    [printing]=""
    [resources]=""
    [users]="skin"
    [records]="skin"
    [schedule]="skin"
    [rooms]="skin"
    [payroll]="printing skin"
    [cards]="printing records users skin"
    [service]="cards payroll printing records rooms schedule users skin"
    [reports]="cards printing service skin"
    [shift]="cards printing reports skin"
)
subsystems=" ${!uses[*]} "
failures=0

fail() {
    echo "$1"
    failures=$((failures + 1))
}

# The declared uses form no circle: a depth-first walk from each subsystem never comes back
# to a subsystem on its own path.
walk() { # walk PATH... : the path so far, the last one being visited
    local here=${!#} next
    for next in ${uses[$here]}; do
        if [[ " $* " == *" $next "* ]]; then
            fail "the declared uses run in a circle: $* $next"
        else
            walk "$@" "$next"
        fi
    done
}
for subsystem in "${!uses[@]}"; do
    walk "$subsystem"
done

# The floors a folder may include.
allowed() {
    case "$1" in
    app) echo " app " ;;
    desk) echo " app desk " ;;
    shell) echo " app desk shell$subsystems" ;;
    *) echo " app desk $1 ${uses[$1]-} " ;;
    esac
}

for folder in */; do
    folder=${folder%/}
    case " app desk shell$subsystems" in
    *" $folder "*) ;;
    *) fail "$folder/ is declared nowhere: add it to the uses of scripts/check-floors.sh" ;;
    esac
done

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
            fail "$file includes $included: $floor/ may not use $target/"
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
