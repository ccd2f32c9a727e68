#!/usr/bin/env bash
# The private Firebird server of the tests.
#
#   test-server.sh start DIR PORT   start a server on 127.0.0.1:PORT whose whole world lives in DIR
#   test-server.sh stop  DIR PORT   stop it and wait until it is gone
#
# The machine's own Firebird configuration and SYSDBA password are never touched: DIR/root is a
# Firebird root of its own (symlinks to the system's plugins, intl, UDF, lib, messages, plus its
# own firebird.conf and security3.fdb in which SYSDBA has the utility's fixed password). The
# server binary comes from the Debian package firebird3.0-server, unpacked privately (never
# installed: its maintainer scripts would set up a system service and a system password).
#
# DIR/client is a second root for test processes: the same plugins, and RemoteServicePort = PORT,
# so that with FIREBIRD=DIR/client a plain "host:path" target reaches this server.
set -euo pipefail

SYSTEM_ROOT=/usr/lib/x86_64-linux-gnu/firebird/3.0
SYSDBA_PASSWORD=vorplin

die() {
    echo "test-server.sh: $*" >&2
    exit 1
}

[ $# -eq 3 ] || die "usage: test-server.sh start|stop DIR PORT"
cmd=$1
dir=$2
port=$3
case "$port" in '' | *[!0-9]*) die "port must be a number: $port" ;; esac
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
root="$dir/root"
pidfile="$dir/server.pid"
# Unpacked server package, shared by every build folder beside DIR.
pkgcache="$(dirname "$dir")/fbserver-pkg"

server_running() {
    [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null
}

stop_server() {
    if [ -f "$pidfile" ]; then
        local pid
        pid=$(cat "$pidfile")
        if kill -0 "$pid" 2>/dev/null; then
            kill -TERM "$pid" 2>/dev/null || true
            for _ in $(seq 1 100); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            if kill -0 "$pid" 2>/dev/null; then
                echo "test-server.sh: server $pid did not stop, killing it" >&2
                kill -KILL "$pid" 2>/dev/null || true
                sleep 0.2
            fi
        fi
        rm -f "$pidfile"
    fi
}

# Prints the path of the unpacked server binary, fetching the package when needed.
server_binary() {
    # The server must match the installed engine it runs with: same package version.
    local ver
    ver=$(dpkg-query -W -f='${Version}' firebird3.0-server-core 2>/dev/null) ||
        die "firebird3.0-server-core is not installed (scripts/install-deps.sh installs it)"
    local unpacked="$pkgcache/x-$ver"
    local bin="$unpacked/usr/sbin/firebird"
    if [ -x "$bin" ]; then
        echo "$bin"
        return
    fi
    mkdir -p "$pkgcache"
    local deb
    deb=$(ls "$pkgcache"/firebird3.0-server_"${ver#*:}"_*.deb 2>/dev/null | head -n 1 || true)
    if [ -z "$deb" ]; then
        echo "test-server.sh: downloading firebird3.0-server $ver (not installed, only unpacked)" >&2
        if ! (cd "$pkgcache" && apt-get download -q "firebird3.0-server=$ver" >&2); then
            echo "test-server.sh: download failed, updating the package lists once" >&2
            apt-get update -qq >&2 || true
            (cd "$pkgcache" && apt-get download -q "firebird3.0-server=$ver" >&2) ||
                die "cannot download firebird3.0-server $ver"
        fi
        deb=$(ls "$pkgcache"/firebird3.0-server_"${ver#*:}"_*.deb | head -n 1)
    fi
    rm -rf "$unpacked.tmp"
    dpkg -x "$deb" "$unpacked.tmp" || die "cannot unpack $deb"
    rm -rf "$unpacked"
    mv "$unpacked.tmp" "$unpacked"
    [ -x "$bin" ] || die "no server binary in $deb"
    echo "$bin"
}

make_root() { # folder, extra config lines...
    local r=$1
    shift
    mkdir -p "$r/lock"
    local f
    for f in plugins intl UDF lib firebird.msg plugins.conf; do
        ln -sfn "$SYSTEM_ROOT/$f" "$r/$f"
    done
    printf '%s\n' "$@" >"$r/firebird.conf"
}

# Succeeds once the server answers a login on its own security database.
server_answers() {
    printf "connect 'localhost/%s:%s' user 'SYSDBA' password '%s';\nselect 1 from rdb\$database;\n" \
        "$port" "$root/security3.fdb" "$SYSDBA_PASSWORD" |
        env -u FIREBIRD -u FIREBIRD_LOCK -u ISC_USER -u ISC_PASSWORD isql-fb -q -b >/dev/null 2>&1
}

start_server() {
    command -v isql-fb >/dev/null || die "isql-fb not found (package firebird3.0-utils)"
    [ -d "$SYSTEM_ROOT/plugins" ] || die "$SYSTEM_ROOT/plugins not found (package firebird3.0-server-core)"
    stop_server
    local bin
    bin=$(server_binary)

    rm -rf "$root" "$dir/client"
    make_root "$root" \
        "RemoteServicePort = $port" \
        "RemoteBindAddress = 127.0.0.1" \
        "SecurityDatabase = $root/security3.fdb" \
        "WireCrypt = Enabled"
    make_root "$dir/client" "RemoteServicePort = $port"

    # The security database, made through the embedded engine under the private root.
    printf "create database '%s';\ncreate user SYSDBA password '%s';\ncommit;\n" \
        "$root/security3.fdb" "$SYSDBA_PASSWORD" |
        FIREBIRD="$root" FIREBIRD_LOCK="$root/lock" isql-fb -q -b -user SYSDBA >"$dir/security.log" 2>&1 ||
        die "cannot create the security database: $(cat "$dir/security.log")"

    # In a session of its own, so that nothing of the test run's terminal reaches it; the shell
    # writes its own pid and then becomes the server.
    # Every descriptor is redirected for the whole background group: nothing may keep the
    # caller's output open (ctest waits for it).
    (
        cd "$dir" || exit 1
        FIREBIRD="$root" FIREBIRD_LOCK="$root/lock" \
            exec setsid sh -c 'echo $$ >"$1"; exec "$2"' sh "$pidfile" "$bin"
    ) </dev/null >"$dir/server.out" 2>&1 &
    for _ in $(seq 1 50); do
        [ -s "$pidfile" ] && break
        sleep 0.1
    done

    for _ in $(seq 1 150); do
        if server_answers; then
            echo "test-server.sh: server $(cat "$pidfile") listens on 127.0.0.1:$port"
            return 0
        fi
        server_running || break
        sleep 0.2
    done
    echo "test-server.sh: the server did not accept connections on port $port" >&2
    cat "$dir/server.out" >&2 || true
    tail -n 20 "$root/firebird.log" >&2 2>/dev/null || true
    stop_server
    exit 1
}

case "$cmd" in
start) start_server ;;
stop)
    stop_server
    echo "test-server.sh: stopped"
    ;;
*) die "unknown command: $cmd (start or stop)" ;;
esac
