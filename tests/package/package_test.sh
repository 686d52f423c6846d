#!/usr/bin/env bash
# Makes both installers with scripts/package (the Windows one around a stand-in quib.exe) into
# build/package-test, then installs and uninstalls each: the .deb with dpkg, starting the
# installed program once; the setup program silently under Wine in a prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "$(id -u)" -ne 0 ]; then
  echo "tests/package skipped: installing the .deb with dpkg needs root"
  exit 0
fi
work=$PWD/build/package-test
rm -rf "$work"
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
fail() { echo "tests/package FAILED: $*" >&2; exit 1; }

# The stand-in program doubles as Wine's netsh: it logs its command line and fails, as a
# netsh without a firewall might.
cat >"$work/stand_in.cpp" <<'CPP'
#include <windows.h>
#include <cstdio>
int main() {
  if (FILE* log = std::fopen("C:\\netsh.log", "a")) std::fprintf(log, "%s\n", GetCommandLineA());
  return 1;
}
CPP
x86_64-w64-mingw32-g++-posix -static -s "$work/stand_in.cpp" -o "$work/stand_in.exe"
QUIB_DIST="$work/dist" QUIB_WINDOWS_EXE="$work/stand_in.exe" scripts/package
deb=$(echo "$work"/dist/quib_*_amd64.deb)
setup=$(echo "$work"/dist/Quib-*-win64-setup.exe)

# --- The .deb ---
ls -A /usr/bin >"$work/bin.before"
trap 'dpkg -r quib >/dev/null 2>&1 || true' EXIT
dpkg -i "$deb"
[ -x /usr/bin/quib ] || fail "no /usr/bin/quib"
cmp /usr/share/quib/arena.dat data/arena.dat || fail "arena.dat is not in /usr/share/quib"
for line in Name=Quib Exec=quib 'Categories=Game;'; do
  grep -qxF "$line" /usr/share/applications/quib.desktop || fail "the .desktop entry lacks $line"
done
head -c 4 /usr/share/icons/hicolor/48x48/apps/quib.png | grep -q PNG || fail "no 48x48 icon"

# Without a game (an empty home) the program asks for the game folder and stays up.
port=$((20000 + RANDOM % 30000))
while ss -Hltn "sport = :$port" | grep -q .; do port=$((port + 1)); done
env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
  QUIB_PORT_MAPPING=0 QUIB_PORT=$port /usr/bin/quib >"$work/quib.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
  ss -Hltn "sport = :$port" | grep -q . && break
  kill -0 $pid 2>/dev/null || fail "the installed program ended: $(cat "$work/quib.log")"
  sleep 0.1
done
sleep 2
kill -0 $pid 2>/dev/null || fail "the installed program ended: $(cat "$work/quib.log")"
ss -Hltn "sport = :$port" | grep -q . || fail "the installed program does not listen on $port"
kill -TERM $pid
wait $pid || fail "the installed program ended with status $? on SIGTERM"
extra=$(ls -A /usr/bin | grep -vxF -f "$work/bin.before" | grep -vx quib || true)
[ -z "$extra" ] || fail "the installed program wrote into /usr/bin: $extra"
dpkg -r quib
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print substr($6, 2) }' >"$work/deb.files"
while read -r file; do [ ! -e "$file" ] || fail "$file is left after dpkg -r"; done <"$work/deb.files"
[ ! -e /usr/share/quib ] || fail "/usr/share/quib is left after dpkg -r"
ls -A /usr/bin | diff "$work/bin.before" - || fail "dpkg -r left /usr/bin changed"

# --- The Windows installer, under Wine ---
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;netsh.exe=n"
wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver
mkdir -p "$WINEPREFIX"
setsid "$wineserver" -p </dev/null >/dev/null 2>&1 &
trap 'dpkg -r quib >/dev/null 2>&1 || true; "$wineserver" -k >/dev/null 2>&1 || true' EXIT
"$wine" cmd /c exit </dev/null >/dev/null 2>&1
cp "$work/stand_in.exe" "$WINEPREFIX/drive_c/windows/system32/netsh.exe"
programs="$WINEPREFIX/drive_c/Program Files/Quib"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quib.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quib'
netsh_log=$WINEPREFIX/drive_c/netsh.log
rule='advfirewall firewall add rule name="Quib" dir=in action=allow protocol=TCP localport=6112'

"$wine" "$setup" /S </dev/null || fail "the installer failed"
cmp "$programs/quib.exe" "$work/stand_in.exe" || fail "quib.exe is not installed"
cmp "$programs/arena.dat" data/arena.dat || fail "arena.dat is not installed"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
"$wine" reg query "$key" </dev/null | grep -q 'UninstallString.*uninstall.exe' ||
  fail "the uninstaller is not listed in Add/Remove Programs"
grep -qF "$rule" "$netsh_log" || fail "no firewall rule added"

: >"$netsh_log"
"$wine" "C:\\Program Files\\Quib\\uninstall.exe" /S </dev/null
# The uninstaller runs on from a copy of itself in the temporary folder.
for _ in $(seq 300); do [ -e "$programs" ] || break; sleep 0.1; done
[ ! -e "$programs" ] || fail "left after uninstalling: $(ls "$programs")"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
! "$wine" reg query "$key" </dev/null >/dev/null 2>&1 || fail "still listed in Add/Remove Programs"
grep -qF 'advfirewall firewall delete rule name="Quib"' "$netsh_log" || fail "the firewall rule is left"
echo "tests/package passed: $(du -h "$deb" "$setup" | tr '\n' ' ')"
