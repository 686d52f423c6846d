#!/usr/bin/env bash
# A home network behind a router that masquerades and forwards nothing by itself, running
# Debian's miniupnpd: the program has the port forwarded over UPnP-IGD, and with UPnP off
# over NAT-PMP, so a friend reaches it at the router's public address; a renewal the router
# misses is tried again until it holds; a port forwarded to another home host is reported
# taken; the forwarding goes with the program; without the daemon the program listens at once
# all the same.
source "$(dirname "$0")/netns.sh"
command -v miniupnpd >/dev/null || { echo "skipped: miniupnpd is not installed"; exit 77; }
hosts home other router net
# The daemon maps nothing for a private or reserved public side: 11.0.0.0/24 stands in for
# the internet, inside these namespaces only.
cable home 192.168.77.2/24 router 192.168.77.1/24
cable other 192.168.78.2/24 router 192.168.78.1/24
cable router 11.0.0.1/24 net 11.0.0.2/24
on home ip route add default via 192.168.77.1
on other ip route add default via 192.168.78.1
on router sysctl -qw net.ipv4.ip_forward=1
lan=$(end router home) wan=$(end router net)
export QUIB_ROUTER_LEASE=10  # renewed every few seconds
on router nft -f - <<NFT
table inet quib {
  chain forward { type filter hook forward priority 0; policy drop;
    ct state established,related accept; iifname "$lan" accept; jump miniupnpd; }
  chain prerouting { type nat hook prerouting priority -100; jump prerouting_miniupnpd; }
  chain postrouting { type nat hook postrouting priority 100;
    jump postrouting_miniupnpd; oifname "$wan" masquerade; }
  chain miniupnpd {}
  chain prerouting_miniupnpd {}
  chain postrouting_miniupnpd {}
}
NFT
known a 11.0.0.2  # the friend on the internet
forwarded() { [[ $(on router nft list chain inet quib prerouting_miniupnpd) == *6112* ]]; }
daemon_up() {
  ip netns exec "${id}router" miniupnpd -d -f "$work/miniupnpd.conf" -P "$work/daemon.pid" \
    2>>"$work/daemon.err" &
  pid[daemon]=$!
}
daemon_down() {
  kill -TERM "${pid[daemon]}"
  wait "${pid[daemon]}" || true
  unset "pid[daemon]"
}
# A router refusing the port says so; the program falls back to NAT-PMP when UPnP is off.
for round in refused upnp natpmp; do
  rule="allow 1024-65535 192.168.0.0/16 1024-65535"
  [ $round = refused ] && rule="deny 6112 0.0.0.0/0 6112"
  printf '%s\n' "ext_ifname=$wan" "listening_ip=$lan" "listening_ip=$(end router other)" \
    enable_natpmp=yes secure_mode=yes \
    "enable_upnp=$([ $round = natpmp ] && echo no || echo yes)" upnp_table_name=quib \
    "uuid=00000000-0000-0000-0000-00000000$$" upnp_nat_table_name=quib \
    upnp_forward_chain=miniupnpd upnp_nat_chain=prerouting_miniupnpd \
    upnp_nat_postrouting_chain=postrouting_miniupnpd "$rule" "deny 0-65535 0.0.0.0/0 0-65535" \
    >"$work/miniupnpd.conf"
  daemon_up
  start home home a
  if [ $round = refused ]; then
    await home "^65535 .*IP is: 11.0.0.1 .*refused"
  else
    await home "^65535 .*IP is: 11.0.0.1 .*LAN IP is: 192.168.77.2 / Port 6112 is open"
    forwarded || fail "no forwarding on the router ($round)"
    if [ $round = upnp ]; then  # the router is away for one renewal or more, then back
      daemon_down
      await home "No router answered"
      daemon_up
      await home "Port 6112 is open"
      forwarded || fail "no forwarding once the router was back"
    fi
    start friend net b
    say friend 11.0.0.1
    await home "^65280 Connected" && await friend "^65280 Connected"
    stop friend
  fi
  stop home
  forwarded && fail "a forwarding outlived the program ($round)"
  if [ $round = upnp ]; then  # another host's forwarding is not taken for ours
    start other other b
    await other "Port 6112 is open"
    start home home a
    await home "refused to open port 6112 \(.*192\.168\.78\.2"
    stop home
    stop other
  fi
  daemon_down
done
start home home a
await home "No router answered"
[[ $(head -n 1 "$work/home.log") =~ ^65535\ [^/]*/[^/]*/[^/]*$ ]] || fail "listening waited"
[ -n "$(on home ss -Htln 'sport = 6112')" ] || fail "not listening without a router"
echo passed
