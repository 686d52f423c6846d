#!/usr/bin/env bash
# quib.exe, installed by the real installer into a fresh Wine prefix whose registry names a
# demo game, and the Linux program (quib_driver) on one machine, in a network namespace of
# their own whose loopback is slowed. With the Windows copy as the sender, then the Linux one
# (fresh demo machines each time): they link and relay a value each way; the sender is killed
# mid-transfer (nothing is written, the receiver listens on), starts again, dials and
# transplants the character. Last, the Windows copy refuses a stranger, its byte unread.
# Arguments: quib_driver, quib_demo, the Windows build (quib.exe, tests/win_driver.exe).
set -euo pipefail
cd "$(dirname "$0")/../.."
driver=$(realpath "${1:-build/dev/tests/quib_driver}") wine=/usr/lib/wine/wine64
demo=$(realpath "${2:-build/dev/tools/quib_demo}") windows=$(realpath "${3:-build/windows}")
work=$PWD/build/cross
[ -x $wine ] && command -v Xvfb >/dev/null || { echo "skipped: no Wine or Xvfb"; exit 77; }
if [ -z "${QUIB_CROSS_INSIDE:-}" ]; then
  rm -rf "$work" && mkdir -p "$work"
  QUIB_DIST="$work" QUIB_WINDOWS_EXE="$windows/quib.exe" scripts/package >"$work/package.log" \
    2>&1 || { cat "$work/package.log"; exit 1; }
  export QUIB_CROSS_INSIDE=1
  exec timeout 900 unshare -n $([ "$(id -u)" = 0 ] || echo -r) "$0" "$driver" "$demo" "$windows"
fi
ip link set lo up
tc qdisc add dev lo root tbf rate 16mbit burst 256kb latency 1s || echo "loopback not slowed"
declare -A pid game player port=([win]=16112 [linux]=26112)  # the namespace's ports are free
IFS=$'\n'  # folder names hold spaces
trap '{ kill -KILL "${pid[@]}"; /usr/lib/wine/wineserver -k; wait; } 2>/dev/null || true' EXIT
trap 'fail "timed out"' TERM
fail() { echo "tests/cross FAILED: $*" && tail -n 15 "$work"/{win,linux}.{log,err}; exit 1; }
# until_true WHAT COMMAND...: 60 s at most
until_true() { for _ in $(seq 600); do "${@:2}" && return 0 || sleep 0.1; done; fail "$1"; }
shows() { [[ $(tail -n 1 "$work/$1.log" | tr -d '\r') =~ $2 ]]; }  # the last status label
await() { until_true "$1 never showed /$2/" shows "$@"; }
win_driver() { "$wine" "$windows/tests/win_driver.exe" "$@" </dev/null; }
shot() {  # shot NAME: with QUIB_SCREENS set, the Windows window in $QUIB_SCREENS/windows-NAME.png
  [ -z "${QUIB_SCREENS:-}" ] ||
    xwd -silent -name 'Quib!' | convert xwd:- "$QUIB_SCREENS/windows-$1.png"
}

Xvfb -displayfd 3 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pid[xvfb]=$!
until_true "no Xvfb" test -s "$work/display"
export DISPLAY=:$(cat "$work/display") WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" QUIB_PORT_MAPPING=0 QT_QPA_PLATFORM=offscreen
mkdir -p "$WINEPREFIX"
setsid /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
"$wine" cmd /c exit </dev/null >/dev/null 2>&1
"$wine" "$(echo "$work"/Quib-*-win64-setup.exe)" /S </dev/null || fail "the installer failed"
"$wine" reg add 'HKLM\Software\Bethesda Softworks\Morrowind' /v 'Installed Path' \
  /d 'C:\Games\Morrowind' /f </dev/null >/dev/null || fail "no registry key"
game[win]=$WINEPREFIX/drive_c/Games/Morrowind

start() {  # start SIDE: the program, its status labels into $work/SIDE.log
  if [ "$1" = win ]; then
    QUIB_PORT=${port[win]} QUIB_DIAL_PORT=${port[linux]} "$wine" 'C:\Program Files\Quib\quib.exe' \
      </dev/null >>"$work/win.err" 2>&1 &
    pid[win]=$!
    win_driver watch Drop1 >>"$work/win.log" 2>&1 &
    pid[watch]=$!
  else
    rm -f "$work/in" && mkfifo "$work/in"
    WINEPREFIX="$machines/${player[linux]}/prefix" QUIB_PROGRAM_DIR="$(own_folder linux)" \
      QUIB_PORT=${port[linux]} QUIB_DIAL_PORT=${port[win]} "$driver" <"$work/in" \
      >>"$work/linux.log" 2>>"$work/linux.err" &
    pid[linux]=$!
    exec {to_linux}>"$work/in"
  fi
  await "$1" '^(65535 )?Please establish'
}
stop() {  # stop SIDE [TERM]: killed, or ended as closing the window does
  kill -"${2:-KILL}" "${pid[$1]}" && wait "${pid[$1]}" 2>/dev/null || [ -z "${2:-}" ] ||
    fail "$1 ended badly"
  unset "pid[$1]"
  case $1 in win) stop watch ;; linux) exec {to_linux}>&- ;; esac
}
act() {  # act SIDE COMMAND ARGUMENT: a player's click or choice in the window
  if [ "$1" = win ]; then win_driver "$2" "$3"; else echo "$2 $3" >&"$to_linux"; fi
}
link() {  # link SIDE: SIDE dials the other copy
  if [ "$1" = win ]; then
    win_driver set Text1 127 set Text2 0 set Text3 0 set Text4 1 click cmdConnect || fail "no dial"
  else echo 127.0.0.1 >&"$to_linux"; fi
  await win '^linked ' && await linux '^65280 '
}
relay() {  # relay FROM TO KEY: a value in FROM's log lands in TO's variable file
  printf 'QUIB::%s 45|12.5|Sfoo|\n' "$3" >>"${game[$1]}/MWScriptExtender.log"
  printf '\1\0\0\0\3\0\0\0\x2d\0\0\0\0\0\x48\x41foo\0' >"$work/expected"
  until_true "$3 did not relay from $1 to $2" \
    cmp -s "$work/expected" "${game[$2]}/Data Files/MWSE/$3"
}
own_folder() {  # where SIDE keeps its temporary files (the installed one: the user's folder)
  [ "$1" = linux ] && echo "$machines/${player[linux]}/program" ||
    echo "$WINEPREFIX"/drive_c/users/*/AppData/Local/Quib
}
temporary() { find "$(own_folder "$1")" -name '*.tmp' -size "$2" | grep -q .; }
no_temporary() { ! temporary "$1" +0; }
data_files() { find "${game[$receiver]}/Data Files" -type f ! -path '*/MWSE/*' | sort; }

for sender in win linux; do
  receiver=$([ $sender = win ] && echo linux || echo win) machines=$work/$sender
  player=([$sender]=a [$receiver]=b)
  "$demo" "$machines" >/dev/null
  # A texture that does not compress and takes seconds to travel.
  games=$machines/%s/prefix/drive_c/Games/Morrowind
  head -c 8M /dev/urandom >"$(printf "$games" a)/Data Files/Textures/q/demo_steel.dds"
  rm -rf "${game[win]}" "$(own_folder win)" && mkdir -p "${game[win]}"
  cp -r "$(printf "$games" "${player[win]}")/." "${game[win]}"
  game[linux]=$(printf "$games" "${player[linux]}")
  start win
  [ $sender = win ] && shot idle
  start linux
  link win
  relay win linux hpval
  relay linux win mpval

  data_files >"$work/before"
  act $sender choose "Demo Hero.ess" || fail "no savegame chosen"
  act $sender click Command1
  until_true "no character data reached the $receiver copy" temporary $receiver +1M
  stop $sender
  await $receiver '^(65535 )?(The character transfer did not finish|Please establish)'
  until_true "a temporary file stayed" no_temporary $receiver
  data_files | diff "$work/before" - || fail "a partial file was written"

  start $sender
  link $sender
  act $sender choose "Demo Hero.ess" || fail "no savegame chosen"
  act $sender click Command1
  await $sender 'went out to your friend' && await $receiver 'arrived and is in Data Files'
  shot "after-transplant-$sender-sent"
  sent=${game[$sender]}/Data\ Files got=${game[$receiver]}/Data\ Files
  [ "$(head -c 4 "$got/arena.esp")" = TES3 ] && grep -q play00 "$got/arena.esp" ||
    fail "no arena.esp holding the character"
  for file in $(cd "$sent" && find Meshes Textures Icons -type f); do
    cmp "$sent/$file" "$(find "$got" -ipath "$got/$file")" || fail "$file did not arrive whole"
  done
  stop linux TERM
  [ $sender = linux ] || stop win
done

alone='^(Please establish|Demo Hero arrived)[^?]*$'
await win "$alone"
python3 - "${port[win]}" >"$work/stranger" <<'PY' &
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), 30, ("127.0.0.2", 0))
s.sendall(b"\xff")  # a transfer would start, were it read
try:
    print("read" if s.recv(1) else "closed")
except OSError as error:
    print(type(error).__name__)  # ConnectionResetError: closed with the byte unread
PY
pid[stranger]=$!
await win '\? 127\.0\.0\.2 wants to link with you\.$'
act win answer Refuse || fail "no Refuse in the question"
wait "${pid[stranger]}" && unset "pid[stranger]"
grep -qx ConnectionResetError "$work/stranger" || fail "the stranger saw $(cat "$work/stranger")"
await win "$alone"
if [ -n "${QUIB_SCREENS:-}" ]; then  # the window at 200 %
  stop win
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f </dev/null >/dev/null
  /usr/lib/wine/wineserver -k && setsid /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
  start win
  shot idle-200
fi
echo "tests/cross passed"
