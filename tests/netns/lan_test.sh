#!/usr/bin/env bash
# Two hosts on a LAN: each program can dial the other and be dialled again after a link
# ended, and a program that dialled too early is found by its friend later.
source "$(dirname "$0")/netns.sh"
hosts a b
cable a 10.77.0.1/24 b 10.77.0.2/24
green='^65280 Connected to Peer'
listening='^65535 Please establish'

start a a a
start b b b
await a "$listening.*LAN IP is: 10.77.0.1"
await b "$listening"

say a "connect 10.77.0.2"
await a "$green"
await b "$green"
stop b
await a "$listening.*LAN IP is: 10.77.0.1"

start b b b
say b "connect 10.77.0.1"
await a "$green"
await b "$green"
stop a
await b "$listening"

start a a a
say a "connect 10.77.0.2"
await a "$green"
await b "$green"
stop a
stop b

# A dials while nobody answers; later its friend starts and dials it.
start a a a
await a "$listening"
say a "connect 10.77.0.2"
start b b b
say b "connect 10.77.0.1"
await a "$green"
await b "$green"
echo "passed"
