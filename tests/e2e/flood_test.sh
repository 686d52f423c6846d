#!/usr/bin/env bash
# A peer floods the program with 1 GiB while the "Insufficient memory" box is open: the box
# holds nothing up (the answer comes at once), and the program reads no faster than it
# handles what arrives, so its peak memory stays small. Arguments: quib_driver, quib_demo.
set -euo pipefail
driver=$1 demo=$2 work=$(mktemp -d) pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }
# A sanitizer build holds freed memory back for reuse (256 MiB by default); with a small
# quarantine the peak shows what the program itself holds.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=8"
"$demo" "$work/m" >/dev/null  # its program folders name 127.0.0.1 as the last peer
for try in 1 2 3 4 5; do  # a free port
  port=$((20000 + RANDOM % 20000))
  QT_QPA_PLATFORM=offscreen QUIB_PORT_MAPPING=0 QUIB_PORT=$port WINEPREFIX="$work/m/b/prefix" \
    QUIB_PROGRAM_DIR="$work/m/b/program" "$driver" </dev/null >"$work/log" 2>"$work/err" &
  pid=$!
  for i in $(seq 100); do [ -s "$work/log" ] && break || sleep 0.1; done
  grep -q '^65535 ' "$work/log" && break
  kill "$pid" && wait "$pid" || true
  pid=
done
[ -n "$pid" ] || fail "the program does not listen"
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf '\xff\xfc\x01\x00\x00\x00\x00' >&3  # a transfer whose media list is one byte
answer=$(timeout 20 head -c 5 <&3 | od -An -tx1 | tr -d ' \n') || true
[ "$answer" = fd00000000 ] || fail "no file requests while the box is open: '$answer'"
# A list far over any real one, which the program counts past: 1 GiB of it, 60 s at most.
printf '\xfc\xff\xff\xff\x7f' >&3
timeout 60 head -c 1G /dev/zero >&3 || true
kill -0 "$pid" || fail "the program ended"
peak=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
[ "$peak" -lt $((128 * 1024)) ] || fail "peak memory $peak KiB"
echo "passed: peak memory $peak KiB"
