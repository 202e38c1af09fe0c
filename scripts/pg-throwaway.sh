#!/usr/bin/env bash
# A throwaway PostgreSQL 15 for the tests: a cluster of its own in a folder, reached only
# through a Unix socket in that folder, with no durability (fsync off), gone when stopped.
#
#     pg-throwaway.sh start DIR     makes DIR (or takes it empty), starts the server in it and
#                                   prints the shell lines that point a client at it:
#                                       export PGHOST=DIR PGPORT=5432 PGUSER=tavrel PGDATABASE=postgres
#                                       export TAVREL_TEST_SERVER=postgresql://tavrel@%2F…:5432/postgres
#     pg-throwaway.sh restart DIR   stops the server (its sessions ended) and starts it again
#                                   on the same data, as a server PC's restart does
#     pg-throwaway.sh stop DIR      stops the server and removes DIR
#
#     eval "$(scripts/pg-throwaway.sh start /tmp/pg)"; …; scripts/pg-throwaway.sh stop /tmp/pg
#
# initdb refuses to run as root: started by root, the cluster belongs to the user "postgres"
# that Debian's package makes (or "nobody" when there is none) and DIR is handed to it; an
# ordinary user runs it as himself. Every connection through the socket is trusted, so nothing
# but the folder's owner and root can reach it. stop removes only a folder that start made
# its own (it holds a marker file), so a wrong argument removes nothing else.
set -euo pipefail

usage() {
    echo "usage: pg-throwaway.sh start|restart|stop DIR" >&2
    exit 2
}

[ $# -eq 2 ] || usage
action=$1
dir=$2
bindir=${PG_BINDIR:-/usr/lib/postgresql/15/bin}
port=5432
superuser=tavrel
marker=.tavrel-throwaway-cluster

# Runs a command as the owner of the cluster.
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        (cd / && runuser -u "$owner" -- "$@")
    else
        (cd / && "$@")
    fi
}

owner_of_root_clusters() {
    if getent passwd postgres >/dev/null; then
        echo postgres
    else
        echo nobody
    fi
}

start() {
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    if [ -n "$(ls -A "$dir")" ]; then
        echo "pg-throwaway.sh: $dir is not empty" >&2
        exit 1
    fi
    touch "$dir/$marker"
    if [ ! -x "$bindir/initdb" ]; then
        echo "pg-throwaway.sh: no PostgreSQL 15 in $bindir (apt-get install postgresql-15)" >&2
        exit 1
    fi
    # The socket's path must fit the 107 bytes of a Unix socket address.
    if [ $((${#dir} + 16)) -gt 107 ]; then
        echo "pg-throwaway.sh: $dir is too long a path for the server's socket" >&2
        exit 1
    fi
    owner=$(id -un)
    if [ "$(id -u)" -eq 0 ]; then
        owner=$(owner_of_root_clusters)
        chown "$owner" "$dir"
        chmod 700 "$dir"
        if ! runuser -u "$owner" -- test -w "$dir"; then
            echo "pg-throwaway.sh: the user $owner cannot reach $dir (a parent folder is closed to it)" >&2
            exit 1
        fi
    fi
    if ! as_owner "$bindir/initdb" --pgdata="$dir/data" --username="$superuser" --auth=trust \
        --encoding=UTF8 --locale=C --no-sync >"$dir/initdb.log" 2>&1; then
        cat "$dir/initdb.log" >&2
        exit 1
    fi
    # Only the socket in the folder; nothing needs to survive a crash of the machine.
    if ! as_owner "$bindir/pg_ctl" --pgdata="$dir/data" --log="$dir/server.log" --wait --silent \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' -p $port -c fsync=off \
            -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" start; then
        cat "$dir/server.log" >&2 || true
        exit 1
    fi
    local socketFolder=${dir//\//%2F}
    echo "export PGHOST='$dir' PGPORT=$port PGUSER=$superuser PGDATABASE=postgres"
    echo "export TAVREL_TEST_SERVER='postgresql://$superuser@$socketFolder:$port/postgres'"
}

stop() {
    [ -d "$dir" ] || exit 0
    if [ ! -e "$dir/$marker" ]; then
        echo "pg-throwaway.sh: $dir was not made by pg-throwaway.sh start; left alone" >&2
        exit 1
    fi
    owner=$(stat -c %U "$dir")
    if [ -e "$dir/data/postmaster.pid" ]; then
        as_owner "$bindir/pg_ctl" --pgdata="$dir/data" --mode=immediate --wait --silent stop || true
    fi
    rm -rf "$dir"
}

restart() {
    dir=$(cd "$dir" && pwd)
    if [ ! -e "$dir/$marker" ]; then
        echo "pg-throwaway.sh: $dir was not made by pg-throwaway.sh start" >&2
        exit 1
    fi
    owner=$(stat -c %U "$dir")
    # pg_ctl starts it again with the options it was started with (postmaster.opts).
    as_owner "$bindir/pg_ctl" --pgdata="$dir/data" --log="$dir/server.log" --mode=fast --wait --silent restart
}

case $action in
start) start ;;
restart) restart ;;
stop) stop ;;
*) usage ;;
esac
