#!/usr/bin/env bash
# Two hosts on a LAN: either program dials the other, and is dialled again after a link
# ended; a program that dialled before its friend was up is found by the friend later. A
# third host, a stranger to a, is asked about: refused, then accepted.
source "$(dirname "$0")/netns.sh"
hosts a b c
cable a 10.77.0.1/24 b 10.77.0.2/24
cable a 10.78.0.1/24 c 10.78.0.3/24
declare -A address=([a]=10.77.0.1 [b]=10.77.0.2)
known a 10.77.0.2
known b 10.77.0.1
known c 10.78.0.1
both_connected() { await a '^65280 Connected' && await b '^65280 Connected'; }
start a a a
start b b b
await a "^65535 .*LAN IP is: 10.77.0.1"
for step in "a b" "b a" "a b"; do
  set -- $step  # $1 dials $2, then $2 ends and starts again
  say "$1" "${address[$2]}"
  both_connected
  stop "$2"
  await "$1" "^65535 .*LAN IP is: ${address[$1]}"
  start "$2" "$2" "$2"
  await "$2" '^65535'
done
stop a
say b "${address[a]}"
start a a a
say a "${address[b]}"
both_connected
start c c c
stop b
await a '^65535'
say c 10.78.0.1
await c '^65280' && await a '\? 10.78.0.3 wants to link with you\.$'
say a Refuse
await c '^65535' && await a '^65535[^?]*$'
say c 10.78.0.1
await c '^65280' && await a '\? 10.78.0.3 wants to link with you\.$'
say a Accept
await a '^65280 Connected' && await c '^65280 Connected'
echo passed
