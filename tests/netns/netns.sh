# Shared by the tests across network namespaces: hosts made of namespaces joined by veth
# cables, whole programs started on them, and the clean-up, also when a test fails.
# Arguments of every test: the driver (tests/netns/quib_driver.cpp) and quib_demo.
set -euo pipefail
driver=$1 demo=$2
export QT_QPA_PLATFORM=offscreen
id=q$$  # unique per run: namespaces and interfaces of parallel runs do not clash
work=$(mktemp -d)
declare -A pid fd
spaces=()

cleanup() {
  local p
  for p in "${pid[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  for p in "${spaces[@]}"; do ip netns del "$id$p" 2>/dev/null || true; done
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  for log in "$work"/*.log; do [ -f "$log" ] && { echo "== $log"; tail -n 5 "$log"; }; done
  exit 1
}

# Hosts with their loopback up.
hosts() {
  if [ "$(id -u)" -ne 0 ]; then echo "skipped: network namespaces need root"; exit 77; fi
  local h
  for h in "$@"; do
    ip netns add "$id$h" 2>/dev/null || { echo "skipped: cannot make network namespaces"; exit 77; }
    spaces+=("$h")
    on "$h" ip link set lo up
  done
}
on() { local h=$1; shift; ip netns exec "$id$h" "$@"; }

# The end on host $1 of the cable to host $2 (interface names have at most 15 characters).
end() { echo "$id${1:0:1}${2:0:1}"; }
# cable HOST ADDRESS/PREFIX HOST ADDRESS/PREFIX
cable() {
  ip link add "$(end "$1" "$3")" netns "$id$1" type veth peer name "$(end "$3" "$1")" netns "$id$3"
  on "$1" ip addr add "$2" dev "$(end "$1" "$3")"
  on "$3" ip addr add "$4" dev "$(end "$3" "$1")"
  on "$1" ip link set "$(end "$1" "$3")" up
  on "$3" ip link set "$(end "$3" "$1")" up
}

# start NAME HOST MACHINE: one whole program on HOST with a demo machine's game and program
# folders; its label changes go to $work/NAME.log.
start() {
  [ -d "$work/machines" ] || "$demo" "$work/machines" >/dev/null
  rm -f "$work/$1.in" && mkfifo "$work/$1.in"
  WINEPREFIX="$work/machines/$3/prefix" QUIB_PROGRAM_DIR="$work/machines/$3/program" \
    ip netns exec "$id$2" "$driver" <"$work/$1.in" >"$work/$1.log" 2>"$work/$1.err" &
  pid[$1]=$!
  exec {fd[$1]}>"$work/$1.in"
}
say() { echo "$2" >&"${fd[$1]}"; }
stop() {
  kill -TERM "${pid[$1]}"
  wait "${pid[$1]}" || fail "$1 did not end cleanly"
  exec {fd[$1]}>&-
  unset "pid[$1]"
}

# await NAME REGEX: until the last label of NAME matches.
await() {
  local i
  for i in $(seq 200); do
    [[ $(tail -n 1 "$work/$1.log") =~ $2 ]] && return 0
    kill -0 "${pid[$1]}" 2>/dev/null || fail "$1 ended"
    sleep 0.1
  done
  fail "$1 never showed /$2/"
}
