#!/usr/bin/env bash
# Builds the Debian package from a build tree's programs (cpack), unpacks it into a scratch root
# (dpkg -x) and checks what it holds: the programs, the unit, the conffiles, the maintainer
# scripts and a configuration file with every option. Then it serves a demo database with the
# unpacked programs and their configuration (paths moved into the scratch root), checks /health
# and a read through the unpacked zorvanil-cli, and stops the server with SIGTERM.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill -KILL "$server_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# The package, from the programs this tree built.
(cd "$build" && cpack -G DEB -B "$scratch/out" > "$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; exit 1; }
deb="$scratch/out/zorvanil-server_${version}-1_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls -l "$scratch/out" >&2; echo "FAILED: no $deb" >&2; exit 1; }
root="$scratch/root"
dpkg -x "$deb" "$root"
dpkg-deb -e "$deb" "$scratch/control"

# The control fields: Depends comes from the programs' shared libraries, and adduser for the
# user that postinst makes.
[ "$(dpkg-deb -f "$deb" Package)" = zorvanil-server ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "${version}-1" ] || fail "version $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in adduser libc6 libstdc++6 libsqlite3-0; do
  [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

# Every file, its mode, and root as its owner in the package.
listing=$(dpkg-deb -c "$deb")
while read -r path mode; do
  [ -f "$root/$path" ] || { fail "no /$path"; continue; }
  [ "$(stat -c %a "$root/$path")" = "$mode" ] || fail "/$path has mode $(stat -c %a "$root/$path"), not $mode"
  grep -q "root/root .* \./$path\$" <<< "$listing" || fail "/$path is not root's in the package"
done <<'FILES'
usr/bin/zorvanil-server 755
usr/bin/zorvanil-cli 755
lib/systemd/system/zorvanil-server.service 644
etc/zorvanil/zorvanil-server.conf 600
etc/zorvanil/Zconfiguracion.txt 600
usr/share/zorvanil/zorvanil.sql 644
FILES
[ "$(cat "$scratch/control/conffiles")" = "$(printf '%s\n' /etc/zorvanil/zorvanil-server.conf /etc/zorvanil/Zconfiguracion.txt)" ] ||
  fail "conffiles: $(cat "$scratch/control/conffiles")"

# What the maintainer scripts must do, one fixed string per line.
while IFS='|' read -r script text; do
  [ -x "$scratch/control/$script" ] || { fail "no executable $script"; continue; }
  sh -n "$scratch/control/$script" || fail "$script does not parse"
  grep -qF -- "$text" "$scratch/control/$script" || fail "$script lacks: $text"
done <<'SCRIPTS'
postinst|addgroup --system --quiet zorvanil
postinst|adduser --system --quiet --ingroup zorvanil --home "$state"
postinst|state=/var/lib/zorvanil
postinst|install -d -o zorvanil -g zorvanil -m 0750 "$state"
postinst|chown root:zorvanil "$connection_file"
postinst|chmod 0660 "$connection_file"
postinst|deb-systemd-helper enable "$unit"
prerm|deb-systemd-invoke stop zorvanil-server.service
postrm|rm -rf /var/lib/zorvanil /var/log/zorvanil
postrm|deluser --system --quiet zorvanil
postrm|delgroup --system --quiet zorvanil
SCRIPTS

# The unit: the user, the state directory, the stop, the hardening.
unit="$root/lib/systemd/system/zorvanil-server.service"
while read -r line; do
  grep -qxF -- "$line" "$unit" || fail "the unit lacks: $line"
done <<'UNIT'
ExecStart=/usr/bin/zorvanil-server --config /etc/zorvanil/zorvanil-server.conf
User=zorvanil
WorkingDirectory=/var/lib/zorvanil
StateDirectory=zorvanil
Restart=on-failure
KillSignal=SIGTERM
NoNewPrivileges=yes
ProtectSystem=strict
ReadWritePaths=/etc/zorvanil
PrivateTmp=yes
UNIT
if command -v systemd-analyze > /dev/null; then
  # A copy whose program is the unpacked one; verify also warns of keys it does not know.
  sed "s#^ExecStart=/usr/bin/#ExecStart=$root/usr/bin/#" "$unit" > "$scratch/zorvanil-server.service"
  verify=$(systemd-analyze verify --man=no "$scratch/zorvanil-server.service" 2>&1) || true
  [ -z "$verify" ] || fail "systemd-analyze verify: $verify"
fi

# The configuration holds every option of the command line, and the unit waits for the grace
# period to end twice (clients releasing, then calls finishing) before it would kill.
conf="$root/etc/zorvanil/zorvanil-server.conf"
server="$root/usr/bin/zorvanil-server"
options=$("$server" --help | sed -n 's/^ *\(-[a-zA-Z], *\)\?--\([a-z-]*\).*/\2/p' | sort -u)
[ -n "$options" ] || fail "no options in --help"
for option in $options; do
  case "$option" in help | version | config | print-config) continue ;; esac
  grep -q "^$option=" "$conf" || fail "the configuration file lacks $option"
done
grace=$(sed -n 's/^shutdown-grace=//p' "$conf")
stop=$(sed -n 's/^TimeoutStopSec=\([0-9]*\)s\?$/\1/p' "$unit")
[ -n "$grace" ] && [ -n "$stop" ] && [ "$stop" -gt $((2 * grace)) ] ||
  fail "TimeoutStopSec=$stop is not above twice shutdown-grace=$grace"

# The connection file names the database in the state directory, in the lines the server writes.
state="$root/var/lib/zorvanil"
[ "$(cat "$root/etc/zorvanil/Zconfiguracion.txt")" = "$(printf 'z\r\nz\r\n/var/lib/zorvanil/zorvanil.db\r')" ] ||
  fail "the connection file: $(od -c "$root/etc/zorvanil/Zconfiguracion.txt")"

# Serve: the installed configuration with its paths moved into the scratch root, and the port
# given on the command line, which wins over the file's.
mkdir -p "$state"
sed -i "s#/var/lib/zorvanil#$state#g; s#/etc/zorvanil#$root/etc/zorvanil#g" "$conf" \
  "$root/etc/zorvanil/Zconfiguracion.txt"
"$server" --init-demo "$state/zorvanil.db" > "$scratch/init-demo.log" 2>&1 ||
  { cat "$scratch/init-demo.log" >&2; exit 1; }
(cd "$state" && exec "$server" --config "$conf" --listen 127.0.0.1:0 < /dev/null \
  > "$scratch/server.out" 2> "$scratch/server.err") &
server_pid=$!
endpoint=
for _ in $(seq 100); do
  endpoint=$(sed -n 's/.* listening on \(127\.0\.0\.1:[0-9]*\)$/\1/p' "$scratch/server.out")
  [ -n "$endpoint" ] && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$endpoint" ] || { cat "$scratch/server.out" "$scratch/server.err" >&2; echo "FAILED: the server did not start" >&2; exit 1; }
port=${endpoint##*:}

exec 3<> "/dev/tcp/127.0.0.1/$port"
printf 'GET /health HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n' >&3
health=$(cat <&3)
exec 3<&-
[[ "$health" == "HTTP/1.1 200"*"ok"* ]] || fail "/health answered: $health"

"$root/usr/bin/zorvanil-cli" --server "$endpoint" read DSPQ_CLIENTES --search GAR --mode 1 \
  --deleted 0 --order 'ORDER BY NOMBRE' --count 4 > "$scratch/read.out" 2>&1 || true
grep -qx '(4 rows)' "$scratch/read.out" || fail "the read: $(cat "$scratch/read.out")"
grep -q '^registry=' "$conf" && [ -f "$state/registry.txt" ] || fail "no registry in the state directory"
[ -f "$state/Zconfiguracion.txt" ] || fail "no creation file in the working directory"

kill -TERM "$server_pid"
status=0
wait "$server_pid" || status=$?
server_pid=
[ "$status" = 0 ] || { cat "$scratch/server.err" >&2; fail "exit status $status after SIGTERM"; }

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package $deb: every check passed"
