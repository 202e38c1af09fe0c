#!/usr/bin/env bash
# Keeps the database engine's own spellings inside the database layer, so that the desk speaks
# to SQLite and to PostgreSQL through the same statements. The layer is these files of app/
# (see Database.h): Database*, SqlDialect*, Schema*, DatabaseCheck*, Backups*,
# SqliteWorkerThread*, SqlTransaction*, ServerFunctions*, ServerAddress*. Anywhere else under
# src/ a statement takes what an engine spells its own way from Database::dialect().
#
#     check-engine-spellings.sh SRC_DIR
#
# Prints file:line and the spelling of every offence and fails when there is one. CTest runs
# it as "engine_spellings". Words that are also ordinary English are looked for only as SQL
# writes them (in capitals), so a comment may speak of a row key or say "like"; total( is
# SQLite's sum only with something to add up, so a C++ member total() is no offence.
set -euo pipefail

src=${1:?usage: check-engine-spellings.sh SRC_DIR}
cd "$src"

layer=(
    app/Database* app/SqlDialect* app/Schema* app/DatabaseCheck* app/Backups*
    app/SqliteWorkerThread* app/SqlTransaction* app/ServerFunctions* app/ServerAddress*
)
files=()
while IFS= read -r file; do
    for pattern in "${layer[@]}"; do
        # shellcheck disable=SC2053 # the layer's entries are patterns
        [[ $file == $pattern ]] && continue 2
    done
    files+=("$file")
done < <(find . -type f \( -name '*.cpp' -o -name '*.h' \) | sed 's|^\./||' | sort)

# One spelling a line: a name for the message, then the extended regular expression; "i" in
# front of the name makes the search ignore case.
spellings=(
    "rowid|\\b(rowid|ROWID)\\b"
    "i:last_insert_rowid|last_insert_rowid"
    "total(|(^|[^.>:[:alnum:]_])(total|TOTAL)[[:space:]]*\\([[:space:]]*[^)[:space:]]"
    "i:sqlite_master|\\bsqlite_(master|schema|sequence|version|stat)"
    "i:sqlite_|(^|[^[:alnum:]_])sqlite_"
    "i:sqlite3|\\bsqlite3(_|\\.h|\\b)"
    "i:pragma|(^|[^#[:alnum:]_])pragma\\b"
    "VACUUM|\\bVACUUM\\b"
    "i:integrity_check|integrity_check"
    "i:quick_check|quick_check"
    "i:BEGIN IMMEDIATE|\\bBEGIN[[:space:]]+(IMMEDIATE|EXCLUSIVE|DEFERRED)\\b"
    "LIKE|\\bLIKE\\b"
    "ILIKE|\\bILIKE\\b"
    "GLOB|\\bGLOB\\b"
    "i:strftime|\\bstrftime\\b"
    "i:julianday|\\bjulianday\\b"
    "i:ifnull|\\bifnull\\b"
    "i:group_concat|\\bgroup_concat\\b"
    "INSERT OR|\\bINSERT[[:space:]]+OR\\b"
    "REPLACE INTO|\\bREPLACE[[:space:]]+INTO\\b"
    "ON CONFLICT|\\bON[[:space:]]+CONFLICT\\b"
    "QSQLITE|QSQLITE"
    "QPSQL|QPSQL"
)

failures=0
for spelling in "${spellings[@]}"; do
    flags=(-nHE)
    if [[ $spelling == i:* ]]; then
        flags+=(-i)
        spelling=${spelling#i:}
    fi
    name=${spelling%%|*}
    expression=${spelling#*|}
    while IFS= read -r hit; do
        [[ -n $hit ]] || continue
        echo "$hit   <- \"$name\" belongs in the database layer (SqlDialect)"
        failures=$((failures + 1))
    done < <(grep "${flags[@]}" -e "$expression" -- "${files[@]}" || true)
done

if ((failures > 0)); then
    echo "$failures engine spelling(s) outside the database layer"
    exit 1
fi
