#!/usr/bin/env bash
# Starts and stops the real PC/SC test stack: Debian's pcscd with the vpcd
# reader driver, and one cardsim per virtual reader.
#
#   pcsc-stack.sh start [--image0 IMAGE] [--image1 IMAGE] [--fault0 RULE]... [--fault1 RULE]...
#                       [--pki DIR] [--state DIR] [--cardsim PROGRAM] [--no-lock] [--lock-wait SECONDS]
#   pcsc-stack.sh stop  [--state DIR]
#   pcsc-stack.sh insert|remove N [--state DIR]     put card N in or take it out of its reader
#   pcsc-stack.sh fault N RULE [--state DIR]        arm a fault (RULE as cardsim --fault, "+1:sw=6982" = next command)
#
# Reader "Virtual PCD 00 00" (127.0.0.1:35963) gets --image0, "Virtual PCD 00 01"
# (127.0.0.1:35964) gets --image1; a reader without image stays empty.
# Transcripts: STATE/transcript0.log and STATE/transcript1.log; pcscd's log: STATE/pcscd.log.
# Only one pcscd runs on a machine: start takes the lock /tmp/vn-pcscd.lock and a
# holder process keeps it until stop (with --no-lock the caller holds it).
# Any running pcscd, the system's too, is stopped first.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
LOCK=/tmp/vn-pcscd.lock
STATE=${CARDSIM_STATE:-/tmp/vn-pcsc-stack}
cmd=${1:-}
shift || true

IMAGE0="" IMAGE1="" PKI=${CARDSIM_PKI_DIR:-} NOLOCK=0 LOCKWAIT=600 CARDSIM=${CARDSIM:-}
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
    --no-lock) NOLOCK=1; shift ;;
    --lock-wait) LOCKWAIT=$2; shift 2 ;;
    *) ARGS+=("$1"); shift ;;
  esac
done

find_cardsim() {
  [ -n "$CARDSIM" ] && return
  for c in "$HERE/../../build/tools/cardsim/cardsim" "$(command -v cardsim || true)"; do
    if [ -n "$c" ] && [ -x "$c" ]; then CARDSIM=$c; return; fi
  done
  echo "pcsc-stack: cardsim program not found (use --cardsim)" >&2
  exit 1
}

kill_pidfile() {  # kill_pidfile FILE: TERM, wait up to 3 s, then KILL
  local f=$1 pid
  [ -f "$f" ] || return 0
  pid=$(cat "$f")
  rm -f "$f"
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}

stop_pcscd_all() {
  pkill -x pcscd 2>/dev/null || true
  for _ in $(seq 50); do pgrep -x pcscd >/dev/null || return 0; sleep 0.1; done
  pkill -9 -x pcscd 2>/dev/null || true
  sleep 0.2
}

start_card() {  # start_card N IMAGE FAULTS...
  local n=$1 image=$2
  shift 2
  rm -f "$STATE/ready$n" "$STATE/control$n"
  "$CARDSIM" --image "$image" ${PKI:+--pki "$PKI"} --reader "$n" --transcript "$STATE/transcript$n.log" \
    --control "$STATE/control$n" --ready "$STATE/ready$n" --wait 10 "$@" >>"$STATE/cardsim$n.log" 2>&1 &
  echo $! > "$STATE/cardsim$n.pid"
}

wait_ready() {  # wait_ready N: the reader has asked the card for its ATR
  local n=$1
  for _ in $(seq 100); do
    [ -f "$STATE/ready$n" ] && { sleep 0.3; return 0; }
    if ! kill -0 "$(cat "$STATE/cardsim$n.pid")" 2>/dev/null; then
      echo "pcsc-stack: cardsim $n ended:" >&2
      cat "$STATE/cardsim$n.log" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "pcsc-stack: card $n not seen by pcscd within 10 s" >&2
  return 1
}

control() {  # control N LINE: hand a command to cardsim N and wait until it took it
  local n=$1 line=$2
  [ -f "$STATE/cardsim$n.pid" ] || { echo "pcsc-stack: no cardsim $n" >&2; exit 1; }
  echo "$line" > "$STATE/control$n.tmp"
  mv "$STATE/control$n.tmp" "$STATE/control$n"
  for _ in $(seq 50); do [ -f "$STATE/control$n" ] || return 0; sleep 0.1; done
  echo "pcsc-stack: cardsim $n did not take '$line'" >&2
  exit 1
}

do_stop() {  # TERM to all at once, wait up to 5 s, then KILL what is left
  local pids=() f pid
  for f in cardsim0 cardsim1 pcscd; do
    [ -f "$STATE/$f.pid" ] || continue
    pid=$(cat "$STATE/$f.pid")
    rm -f "$STATE/$f.pid"
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && pids+=("$pid")
  done
  for _ in $(seq 50); do
    local alive=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ "$alive" = 0 ] && break
    sleep 0.1
  done
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  stop_pcscd_all
  kill_pidfile "$STATE/lock.pid"
}

case "$cmd" in
  start)
    find_cardsim
    mkdir -p "$STATE"
    [ -f "$STATE/pcscd.pid" ] && do_stop
    rm -f "$STATE"/transcript*.log "$STATE"/cardsim*.log "$STATE"/pcscd.log "$STATE"/lock.ok
    if [ "$NOLOCK" = 0 ]; then
      # The holder keeps the lock's file descriptor open until stop kills it.
      # It gives the lock up by itself when the stack's pcscd has gone or after 2 hours,
      # so that a caller that never runs stop cannot block the machine.
      (
        exec 9>"$LOCK"
        flock -w "$LOCKWAIT" 9 || exit 1
        touch "$STATE/lock.ok"
        end=$((SECONDS + 7200))
        while [ $SECONDS -lt $end ]; do
          if [ -f "$STATE/pcscd.pid" ] && ! kill -0 "$(cat "$STATE/pcscd.pid" 2>/dev/null)" 2>/dev/null; then break; fi
          sleep 1 9>&-
        done
      ) &
      echo $! > "$STATE/lock.pid"
      until [ -f "$STATE/lock.ok" ]; do
        if ! kill -0 "$(cat "$STATE/lock.pid")" 2>/dev/null; then
          echo "pcsc-stack: could not take $LOCK within $LOCKWAIT s" >&2
          rm -f "$STATE/lock.pid"
          exit 1
        fi
        sleep 0.1
      done
    fi
    trap 'do_stop' ERR
    stop_pcscd_all
    pcscd -f -a >"$STATE/pcscd.log" 2>&1 &
    echo $! > "$STATE/pcscd.pid"
    [ -n "$IMAGE0" ] && start_card 0 "$IMAGE0" "${FAULTS0[@]}"
    [ -n "$IMAGE1" ] && start_card 1 "$IMAGE1" "${FAULTS1[@]}"
    [ -n "$IMAGE0" ] && wait_ready 0
    [ -n "$IMAGE1" ] && wait_ready 1
    trap - ERR
    echo "pcsc-stack: started (state $STATE)"
    ;;
  stop)
    do_stop
    ;;
  insert|remove)
    n=${ARGS[0]:?reader number}
    control "$n" "$cmd"
    [ "$cmd" = insert ] && wait_ready "$n"
    true
    ;;
  fault)
    control "${ARGS[0]:?reader number}" "fault ${ARGS[1]:?fault rule}"
    ;;
  *)
    sed -n '2,20p' "$0"
    exit 2
    ;;
esac
