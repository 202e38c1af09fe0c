#!/usr/bin/env bash
# Runs the CTest suite of a build with a throwaway PostgreSQL 15 up (scripts/pg-throwaway.sh):
# the tests labelled "server" get a fresh database of their own on it through
# TAVREL_TEST_SERVER (a postgresql:// address, see tests/support/ServerFixture.h); the others
# run on SQLite as always. The server is stopped and its folder removed whatever the tests
# did, and also when the run is interrupted.
#
#     test-with-server.sh BUILD_DIR [CTEST_ARGUMENTS...]
set -euo pipefail

build=${1:?usage: test-with-server.sh BUILD_DIR [CTEST_ARGUMENTS...]}
shift
scripts=$(cd "$(dirname "$0")" && pwd)

cluster=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-pg.XXXXXX")
trap '"$scripts/pg-throwaway.sh" stop "$cluster"' EXIT
trap 'exit 130' INT TERM HUP
eval "$("$scripts/pg-throwaway.sh" start "$cluster")"
echo "PostgreSQL for the tests: $TAVREL_TEST_SERVER"

cd "$build"
QT_QPA_PLATFORM=offscreen ctest "$@"
