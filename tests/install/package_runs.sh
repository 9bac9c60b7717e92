#!/usr/bin/env bash
# Unpacks the Debian package into a scratch root (dpkg -x, as no real install is made) and runs
# both programs from there, with the Qt, libcurl and OpenSSL libraries of the system.
# Usage: package_runs.sh PACKAGE_DIR EXPECTED_VERSION
set -euo pipefail

package_dir=$1
expected_version=$2

fail() { echo "FAIL: $*" >&2; exit 1; }

shopt -s nullglob
packages=("$package_dir"/qimport_*.deb)
[ ${#packages[@]} -eq 1 ] || fail "expected one package in $package_dir, found ${#packages[@]}"
deb=${packages[0]}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
dpkg-deb -x "$deb" "$root"

# Dependencies: the packages of the libraries the programs link, and OpenSSL's.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libcurl4 libssl3; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$expected_version" ] || fail "package version is not $expected_version"

for file in usr/bin/qimport usr/bin/qimport-cli usr/bin/qimport-sandbox \
    usr/share/icons/hicolor/scalable/apps/qimport.svg usr/share/doc/qimport/README.md; do
    [ -s "$root/$file" ] || fail "$file is missing"
done
desktop=$root/usr/share/applications/qimport.desktop
grep -qx 'Exec=qimport' "$desktop" || fail "the desktop entry does not start qimport"
grep -qx 'Icon=qimport' "$desktop" || fail "the desktop entry does not name the icon"
grep -Eqx 'Categories=(.*;)?Office;(.*)?' "$desktop" || fail "the desktop entry is not in the Office category"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop"; fi
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/qimport.svg" || fail "the icon is no SVG"
gzip -dc "$root/usr/share/man/man1/qimport-cli.1.gz" | grep -q '^\.SH "EXIT STATUS"' || fail "man page unreadable"

# A user of the installed programs, with a home of their own.
export HOME=$scratch/home
unset XDG_CONFIG_HOME XDG_STATE_HOME
export QT_QPA_PLATFORM=offscreen

help=$("$root/usr/bin/qimport-cli" --help) || fail "qimport-cli --help failed"
grep -q '^Usage:' <<<"$help" || fail "qimport-cli --help printed no usage"
grep -qF "settings file  $HOME/.config/qimport/qimport.INI" <<<"$help" || fail "--help names another settings file"
grep -qF "run log        $HOME/.local/state/qimport/Log.txt" <<<"$help" || fail "--help names another run log"

version=$("$root/usr/bin/qimport" --version) || fail "qimport --version failed"
[ "$version" = "qimport $expected_version" ] || fail "qimport --version printed '$version'"

# A run keeps its log in the user's state folder, never in the program folder.
printf 'Name\tCity\nAda\tLondon\n' >"$scratch/rows.txt"
"$root/usr/bin/qimport-cli" rows "$scratch/rows.txt" >"$scratch/rows.out" 2>/dev/null || fail "qimport-cli rows failed"
grep -q $'^Ada\tLondon$' "$scratch/rows.out" || fail "qimport-cli rows printed $(cat "$scratch/rows.out")"
grep -q '^Started ' "$HOME/.local/state/qimport/Log.txt" || fail "no run log in the state folder"
[ -z "$(ls "$root/usr/bin" | grep -v '^qimport')" ] || fail "files appeared in the program folder"

# The installed sandbox keeps its data in the state folder too, and the installed command line logs
# in to it over HTTPS with the system's Qt, libcurl and OpenSSL.
if command -v openssl >/dev/null; then
    coproc SANDBOX { exec "$root/usr/bin/qimport-sandbox" --port 0 --exit-with-stdin 2>&1; }
    sandbox_pid=$SANDBOX_PID
    trap 'kill "$sandbox_pid" 2>/dev/null || true; rm -rf "$scratch"' EXIT
    read -t 60 -r ready <&"${SANDBOX[0]}" || fail "the installed sandbox did not start"
    [[ $ready =~ ^READY\ port=([0-9]+)\ ca=(.*)$ ]] || fail "the installed sandbox said: $ready"
    port=${BASH_REMATCH[1]}
    ca=${BASH_REMATCH[2]}
    [ "$ca" = "$HOME/.local/state/qimport/sandbox-data/ca.pem" ] || fail "the sandbox keeps its data in $ca"
    QIMPORT_PASSWORD=sandbox-demo "$root/usr/bin/qimport-cli" fields --account 123456789 \
        --login demo@example.org --host "127.0.0.1:$port" --ca-file "$ca" >"$scratch/fields.out" 2>"$scratch/fields.err" ||
        fail "qimport-cli fields over HTTPS failed: $(cat "$scratch/fields.err")"
    [ -s "$scratch/fields.out" ] || fail "qimport-cli fields printed no field list"
    grep -q $'^ SSL on\r$' "$HOME/.local/state/qimport/Log.txt" || fail "the login was not made over HTTPS"
fi

echo "package $deb installs and runs"
