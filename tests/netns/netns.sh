# Shared by the namespace tests (arguments: quib_driver, quib_demo): hosts made of network
# namespaces joined by veth cables, whole programs on them, and the clean-up, also on failure.
set -euo pipefail
driver=$1 demo=$2 id=q$$ work=$(mktemp -d)  # $id keeps parallel runs apart
export QT_QPA_PLATFORM=offscreen
declare -A pid fd
spaces=()
cleanup() {
  for p in "${pid[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
  wait || true
  for h in "${spaces[@]}"; do ip netns del "$id$h" || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; tail -n 3 "$work"/*.log; exit 1; }
on() { ip netns exec "$id$1" "${@:2}"; }
hosts() {  # hosts NAME...: each with its loopback up
  [ "$(id -u)" -eq 0 ] || { echo "skipped: network namespaces need root"; exit 77; }
  for h in "$@"; do
    ip netns add "$id$h" || { echo "skipped: cannot make network namespaces"; exit 77; }
    spaces+=("$h")
    on "$h" ip link set lo up
  done
}
end() { echo "$id${1:0:1}${2:0:1}"; }  # the end on host $1 of the cable to host $2
cable() {  # cable HOST ADDRESS/PREFIX HOST ADDRESS/PREFIX
  ip link add "$(end "$1" "$3")" netns "$id$1" type veth peer name "$(end "$3" "$1")" netns "$id$3"
  on "$1" ip addr add "$2" dev "$(end "$1" "$3")"
  on "$3" ip addr add "$4" dev "$(end "$3" "$1")"
  on "$1" ip link set "$(end "$1" "$3")" up
  on "$3" ip link set "$(end "$3" "$1")" up
}
known() {  # known MACHINE ADDRESS: the machine's last peer, who links without being asked about
  [ -d "$work/m" ] || "$demo" "$work/m" >/dev/null
  [ -d "$work/m/$1" ] || cp -r "$work/m/b" "$work/m/$1"  # more machines are copies of b's
  printf "$(printf '\\x%02x' ${2//./ })" >"$work/m/$1/program/Opponent.dat"
}
start() {  # start NAME HOST MACHINE: labels to $work/NAME.log; `say NAME ADDRESS` dials, or
           # answers the open link question ("Accept", "Refuse")
  [ -d "$work/m" ] || "$demo" "$work/m" >/dev/null
  rm -f "$work/$1.in" && mkfifo "$work/$1.in"
  WINEPREFIX="$work/m/$3/prefix" QUIB_PROGRAM_DIR="$work/m/$3/program" ip netns exec "$id$2" \
    "$driver" <"$work/$1.in" >"$work/$1.log" 2>"$work/$1.err" &
  pid[$1]=$!
  exec {fd[$1]}>"$work/$1.in"
}
say() { echo "$2" >&"${fd[$1]}"; }
stop() {
  kill -TERM "${pid[$1]}"
  wait "${pid[$1]}" || fail "$1 did not end cleanly"
  unset "pid[$1]"
}
await() {  # await NAME REGEX: until the last label of NAME matches
  for i in $(seq 200); do
    [[ $(tail -n 1 "$work/$1.log") =~ $2 ]] && return 0
    kill -0 "${pid[$1]}" || fail "$1 ended"
    sleep 0.1
  done
  fail "$1 never showed /$2/"
}
