#!/usr/bin/env bash
# Starts and stops a private PC/SC test stack: Debian's pcscd with the vpcd reader
# driver, and one cardsim per virtual reader. Every stack is its own: any number of
# them run side by side, and beside the system's pcscd.
#
#   pcsc-stack.sh start [--image0 IMAGE] [--image1 IMAGE] [--fault0 RULE]... [--fault1 RULE]...
#                       [--pki DIR] [--state DIR] [--cardsim PROGRAM] [--apdu]
#   pcsc-stack.sh stop  [--state DIR] [--clean]    --clean: remove the state folder too
#   pcsc-stack.sh env   [--state DIR]                print PCSCLITE_CSOCK_NAME=... of the stack
#   pcsc-stack.sh insert|remove N [--state DIR]     put card N in or take it out of its reader
#   pcsc-stack.sh insert N IMAGE [--state DIR]      put another card (IMAGE) into the emptied reader N
#   pcsc-stack.sh fault N RULE [--state DIR]        arm a fault (RULE as cardsim --fault, "+1:sw=6982" = next command)
#
# Reader "Virtual PCD 00 00" gets --image0, "Virtual PCD 00 01" gets --image1; a reader
# without image stays empty. The two vpcd ports are chosen free at start (STATE/ports).
# Clients reach the stack's pcscd through its socket STATE/run/pcscd.comm: set
# PCSCLITE_CSOCK_NAME to it (start prints the line, so does env; libpcsclite reads it).
#
# pcscd keeps its socket and pid file in /run/pcscd and refuses to start when another
# pcscd lives there, so the stack's pcscd runs in a private mount namespace in which
# STATE/run is /run/pcscd and no USB driver bundle is visible (a real reader stays with
# the system's pcscd). It reads only STATE/conf, the stack's vpcd reader.
# Transcripts: STATE/transcript0.log and STATE/transcript1.log; pcscd's log STATE/pcscd.log
# (with every APDU only when --apdu is given). Everything the stack writes is private (0600).
# stop ends only the processes this stack started (pid and start time recorded in STATE).
# start returns once the stack is up; its background processes hold none of the
# caller's file descriptors, so out=$(pcsc-stack.sh start ...) returns too.
set -euo pipefail
umask 077

HERE=$(cd "$(dirname "$0")" && pwd)
SELF=$HERE/$(basename "$0")
STATE=${CARDSIM_STATE:-/tmp/vn-pcsc-stack-$(id -u)}
VPCD_LIB=${VPCD_LIB:-/usr/lib/pcsc/drivers/serial/libifdvpcd.so}
USB_DROPDIR=/usr/lib/pcsc/drivers
PORT_FIRST=20000 PORT_SPAN=12000   # below the kernel's ephemeral ports
SOCKET_MAX=107                     # sun_path holds 108 bytes with the final NUL
cmd=${1:-}
shift || true

IMAGE0="" IMAGE1="" PKI=${CARDSIM_PKI_DIR:-} CARDSIM=${CARDSIM:-} APDU=0 CLEAN=0
FAULTS0=() FAULTS1=() ARGS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --image0) IMAGE0=$2; shift 2 ;;
    --image1) IMAGE1=$2; shift 2 ;;
    --fault0) FAULTS0+=(--fault "$2"); shift 2 ;;
    --fault1) FAULTS1+=(--fault "$2"); shift 2 ;;
    --pki) PKI=$2; shift 2 ;;
    --state) STATE=$2; shift 2 ;;
    --cardsim) CARDSIM=$2; shift 2 ;;
    --apdu) APDU=1; shift ;;
    --clean) CLEAN=1; shift ;;
    --no-lock) shift ;;              # stacks need no lock any more; accepted for old callers
    --lock-wait) shift 2 ;;
    *) ARGS+=("$1"); shift ;;
  esac
done
case "$STATE" in /*) ;; *) STATE=$PWD/$STATE ;; esac
SOCKET=$STATE/run/pcscd.comm

die() { echo "pcsc-stack: $*" >&2; exit 1; }

find_cardsim() {
  [ -n "$CARDSIM" ] && return
  for c in "$HERE/../../build/tools/cardsim/cardsim" "$(command -v cardsim || true)"; do
    if [ -n "$c" ] && [ -x "$c" ]; then CARDSIM=$c; return; fi
  done
  die "cardsim program not found (use --cardsim)"
}

# --- processes this stack started: STATE/NAME.pid holds "PID STARTTIME" -----------------

start_time() {  # start_time PID: the kernel's start time of PID (field 22 of its stat), "" when gone
  local s
  { read -r s < "/proc/$1/stat"; } 2>/dev/null || return 0
  s=${s##*) }
  set -- $s
  echo "${20}"
}

record() { echo "$2 $(start_time "$2")" > "$STATE/$1.pid"; }

recorded_pid() {  # recorded_pid NAME: the pid of NAME when it is still the process we started
  local pid t
  [ -f "$STATE/$1.pid" ] || return 1
  read -r pid t < "$STATE/$1.pid" || true
  [ -n "${pid:-}" ] && [ -n "${t:-}" ] && [ "$(start_time "$pid")" = "$t" ] || return 1
  echo "$pid"
}

spawn() {  # spawn NAME LOG COMMAND...: runs COMMAND in the background with only stdin/out/err, records it
  local name=$1 log=$2
  shift 2
  (
    for fd in /proc/$BASHPID/fd/*; do
      fd=${fd##*/}
      if [ "$fd" -gt 2 ] 2>/dev/null; then eval "exec $fd>&-"; fi
    done
    exec "$@" </dev/null >>"$log" 2>&1
  ) &
  record "$name" $!
}

# running PID: PID exists and has not ended. An ended process of ours stays a zombie until
# whoever adopted it reaps it, which can take a second; it counts as ended.
running() {
  local s
  { read -r s < "/proc/$1/stat"; } 2>/dev/null || return 1
  s=${s##*) }
  [ "${s%% *}" != Z ]
}

alive() { local pid; pid=$(recorded_pid "$1") && running "$pid"; }

stop_all() {  # TERM to what this stack started, wait up to 5 s, then KILL what is left
  local pids=() name pid
  for name in cardsim0 cardsim1 pcscd; do
    if pid=$(recorded_pid "$name"); then
      kill "$pid" 2>/dev/null && pids+=("$pid")
    fi
    rm -f "$STATE/$name.pid"
  done
  for ((i = 0; i < 100; i++)); do
    local left=0
    for pid in "${pids[@]}"; do running "$pid" && left=1; done
    [ "$left" = 0 ] && break
    sleep 0.05
  done
  for pid in "${pids[@]}"; do if running "$pid"; then kill -9 "$pid" 2>/dev/null || true; fi; done
  rm -f "$SOCKET" "$STATE/run/pcscd.pid" "$STATE"/ready? "$STATE"/control?
}

# --- pcscd ------------------------------------------------------------------------------

listens_on() {  # listens_on PID PORT...: PID holds a listening TCP socket on each PORT
  local pid=$1 port hex inodes fds
  shift
  fds=$(ls -l "/proc/$pid/fd" 2>/dev/null) || return 1
  for port; do
    printf -v hex '%04X' "$port"
    inodes=$(awk -v p=":$hex" '$4 == "0A" && substr($2, length($2) - 4) == p { print $10 }' \
               /proc/net/tcp /proc/net/tcp6 2>/dev/null)
    local found=0 inode
    for inode in $inodes; do
      [[ $fds == *"socket:[$inode]"* ]] && found=1
    done
    [ "$found" = 1 ] || return 1
  done
}

port_busy() { awk -v p=":$(printf '%04X' "$1")" 'substr($2, length($2) - 4) == p { f = 1 } END { exit !f }' \
                /proc/net/tcp /proc/net/tcp6 2>/dev/null; }

start_pcscd() {  # start_pcscd BASEPORT: pcscd with vpcd on BASEPORT and BASEPORT+1; 0 when it listens on both
  local base=$1 pid
  printf 'FRIENDLYNAME "Virtual PCD"\nDEVICENAME   /dev/null:%d\nLIBPATH      %s\nCHANNELID    %d\n' \
    "$base" "$STATE/driver/$(basename "$VPCD_LIB")" "$base" > "$STATE/conf/vpcd"
  echo "$base $((base + 1))" > "$STATE/ports"
  local ns
  read -r -a ns <<< "$NS_CMD"
  spawn pcscd "$STATE/pcscd.log" "${ns[@]}" -- "$SELF" _pcscd --state "$STATE" $([ "$APDU" = 1 ] && echo --apdu)
  # pcscd opens its socket once the reader driver has taken (or failed to take) the ports.
  pid=$(recorded_pid pcscd) || return 1
  for ((i = 0; i < 200; i++)); do
    running "$pid" || return 1
    [ -S "$SOCKET" ] && break
    sleep 0.05
  done
  [ -S "$SOCKET" ] && listens_on "$pid" "$base" $((base + 1))
}

ns_command() {  # the unshare command that gives this process a private mount namespace
  if [ "$(id -u)" = 0 ] && unshare --mount true 2>/dev/null; then echo "unshare --mount"; return 0; fi
  # no right to mount (not root, or a container without it): a user namespace of our own
  if unshare --mount --map-root-user true 2>/dev/null; then echo "unshare --mount --map-root-user"; return 0; fi
  return 1
}

# Runs inside the private mount namespace, then becomes pcscd.
ns_pcscd() {
  if [ ! -d /run/pcscd ] && ! mkdir -p /run/pcscd 2>/dev/null; then
    mount -t tmpfs -o mode=0755 vn-run /run   # no right to make it: a private /run
    mkdir -p /run/pcscd
  fi
  mount --bind "$STATE/run" /run/pcscd
  mount --bind "$(dirname "$VPCD_LIB")" "$STATE/driver"
  if [ -d "$USB_DROPDIR" ]; then mount --bind "$STATE/empty" "$USB_DROPDIR"; fi
  local opts=(--foreground --config "$STATE/conf")
  [ "$APDU" = 1 ] && opts+=(--apdu)
  exec "$(PATH=$PATH:/usr/sbin:/sbin command -v pcscd)" "${opts[@]}"
}

# --- cards --------------------------------------------------------------------------------

start_card() {  # start_card N IMAGE FAULTS...
  local n=$1 image=$2 base
  shift 2
  read -r base _ < "$STATE/ports"
  rm -f "$STATE/ready$n" "$STATE/control$n"
  spawn "cardsim$n" "$STATE/cardsim$n.log" "$CARDSIM" --image "$image" ${PKI:+--pki "$PKI"} \
    --host 127.0.0.1 --port $((base + n)) --transcript "$STATE/transcript$n.log" \
    --control "$STATE/control$n" --ready "$STATE/ready$n" --wait 10 "$@"
}

wait_ready() {  # wait_ready N: the reader has asked the card for its ATR
  local n=$1 pid
  pid=$(recorded_pid "cardsim$n") || pid=""
  for ((i = 0; i < 200; i++)); do
    [ -f "$STATE/ready$n" ] && { sleep 0.3; return 0; }
    if [ -z "$pid" ] || ! running "$pid"; then
      echo "pcsc-stack: cardsim $n ended:" >&2
      cat "$STATE/cardsim$n.log" >&2
      return 1
    fi
    sleep 0.05
  done
  echo "pcsc-stack: card $n not seen by pcscd within 10 s" >&2
  return 1
}

control() {  # control N LINE: hand a command to cardsim N and wait until it took it
  local n=$1 line=$2
  alive "cardsim$n" || die "no cardsim $n"
  echo "$line" > "$STATE/control$n.tmp"
  mv "$STATE/control$n.tmp" "$STATE/control$n"
  for ((i = 0; i < 100; i++)); do [ -f "$STATE/control$n" ] || return 0; sleep 0.05; done
  die "cardsim $n did not take '$line'"
}

case "$cmd" in
  start)
    find_cardsim
    [ ${#SOCKET} -le $SOCKET_MAX ] || die "state folder path too long for a socket: $STATE"
    [ -r "$VPCD_LIB" ] || die "vpcd reader driver not found: $VPCD_LIB"
    mkdir -p "$STATE"
    stop_all
    rm -rf "$STATE/conf" "$STATE/run" "$STATE"/transcript*.log "$STATE"/cardsim*.log "$STATE"/pcscd.log
    mkdir -p "$STATE/conf" "$STATE/run" "$STATE/driver" "$STATE/empty"
    PATH=$PATH:/usr/sbin:/sbin command -v pcscd >/dev/null || die "pcscd not found (package pcscd)"
    chmod 0755 "$STATE" "$STATE/run"   # clients of other users may reach the socket
    NS_CMD=$(ns_command) || die "cannot make a private mount namespace for pcscd (unshare --mount; as a user: unprivileged user namespaces)"
    trap 'stop_all' ERR
    started=0
    for attempt in 1 2 3 4 5; do
      base=$((PORT_FIRST + (RANDOM * 32768 + RANDOM + $$) % PORT_SPAN))
      port_busy "$base" || port_busy $((base + 1)) && continue
      if start_pcscd "$base"; then started=1; break; fi
      stop_all
    done
    [ "$started" = 1 ] || { echo "pcsc-stack: pcscd did not start:" >&2; cat "$STATE/pcscd.log" >&2; false; }
    [ -n "$IMAGE0" ] && start_card 0 "$IMAGE0" "${FAULTS0[@]}"
    [ -n "$IMAGE1" ] && start_card 1 "$IMAGE1" "${FAULTS1[@]}"
    [ -n "$IMAGE0" ] && wait_ready 0
    [ -n "$IMAGE1" ] && wait_ready 1
    trap - ERR
    echo "pcsc-stack: started (state $STATE, vpcd ports $(cat "$STATE/ports"))"
    echo "PCSCLITE_CSOCK_NAME=$SOCKET"
    ;;
  stop)
    [ -d "$STATE" ] || exit 0
    stop_all
    if [ "$CLEAN" = 1 ]; then  # only what start makes, so a wrong --state removes nothing else
      rm -rf "$STATE/conf" "$STATE/run" "$STATE/driver" "$STATE/empty"
      rm -f "$STATE/ports" "$STATE"/transcript?.log "$STATE"/cardsim?.log "$STATE/pcscd.log" "$STATE"/control?.tmp
      rmdir "$STATE" 2>/dev/null || true
    fi
    ;;
  env)
    echo "PCSCLITE_CSOCK_NAME=$SOCKET"
    ;;
  _pcscd)
    ns_pcscd
    ;;
  insert|remove)
    n=${ARGS[0]:?reader number}
    if [ "$cmd" = insert ] && [ -n "${ARGS[1]:-}" ]; then
      control "$n" "insert ${ARGS[1]}"
    else
      control "$n" "$cmd"
    fi
    [ "$cmd" = insert ] && wait_ready "$n"
    true
    ;;
  fault)
    control "${ARGS[0]:?reader number}" "fault ${ARGS[1]:?fault rule}"
    ;;
  *)
    sed -n '2,28p' "$0"
    exit 2
    ;;
esac
