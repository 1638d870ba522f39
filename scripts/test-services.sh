#!/usr/bin/env bash
# Starts the services the tests lean on, and leaves them running:
#   - the CUPS scheduler with PDF printer queues (the printing tests read back what a queue
#     received from the scheduler's spool, so finished jobs' files are kept);
#   - an Xvfb display with a small window manager (which draws window captions) for the status
#     window's screenshot test.
# Safe to run again: what is running already is left as it is. Runs as root; there is no service
# manager here, so the daemons are started directly.
set -uo pipefail

QUEUES=(QuorvaPdf QuorvaSpare)
XDISPLAY="${QUORVA_TEST_DISPLAY:-:99}"
PPD=lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
status=0

say() { echo "test-services: $*"; }

wait_for_cupsd() {
  for _ in $(seq 1 100); do
    lpstat -r 2>/dev/null | grep -q "is running" && return 0
    sleep 0.1
  done
  return 1
}

start_cups() {
  if ! command -v cupsd >/dev/null; then
    say "cupsd is not installed (run scripts/setup.sh)"
    return 1
  fi
  if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    mkdir -p /run/cups /var/spool/cups/tmp
    # Without a service manager cupsd daemonises itself.
    cupsd || { say "cupsd did not start"; return 1; }
    wait_for_cupsd || { say "cupsd started but does not answer (lpstat -r)"; return 1; }
  fi
  if ! cupsctl 2>/dev/null | grep -q "^PreserveJobFiles=Yes"; then
    # cupsctl restarts the scheduler to take the new setting.
    cupsctl PreserveJobFiles=Yes || { say "cupsctl PreserveJobFiles=Yes failed"; return 1; }
    sleep 0.5
    wait_for_cupsd || { say "cupsd did not come back after cupsctl"; return 1; }
  fi
  for q in "${QUEUES[@]}"; do
    if ! lpstat -p "$q" >/dev/null 2>&1; then
      lpadmin -p "$q" -v cups-pdf:/ -m "$PPD" -E || { say "lpadmin could not add queue $q"; return 1; }
    fi
  done
  if ! lpstat -d 2>/dev/null | grep -q "system default destination:"; then
    lpadmin -d "${QUEUES[0]}" || true
  fi
  say "CUPS running with queues: $(lpstat -e | tr '\n' ' ')"
}

xvfb_running() {
  local n="${XDISPLAY#:}"
  [ -e "/tmp/.X${n}-lock" ] && kill -0 "$(tr -d ' ' <"/tmp/.X${n}-lock")" 2>/dev/null &&
    [ -S "/tmp/.X11-unix/X${n}" ]
}

start_xvfb() {
  if ! command -v Xvfb >/dev/null; then
    say "Xvfb is not installed (run scripts/setup.sh)"
    return 1
  fi
  if ! xvfb_running; then
    local n="${XDISPLAY#:}"
    # A lock left by a display that died would stop a new one.
    rm -f "/tmp/.X${n}-lock" "/tmp/.X11-unix/X${n}"
    # 9>&-: the display must not inherit the start lock, or it holds it for as long as it runs.
    setsid nohup Xvfb "$XDISPLAY" -screen 0 1024x768x24 -nolisten tcp >/tmp/quorva-xvfb.log 2>&1 9>&- &
    for _ in $(seq 1 100); do
      xvfb_running && break
      sleep 0.1
    done
    xvfb_running || { say "Xvfb did not start: $(tail -3 /tmp/quorva-xvfb.log)"; return 1; }
  fi
  say "Xvfb running on $XDISPLAY"
}

start_window_manager() {
  local pidfile="/tmp/quorva-twm${XDISPLAY#:}.pid"
  if [ -e "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    say "window manager running on $XDISPLAY"
    return 0
  fi
  if ! command -v twm >/dev/null; then
    say "twm is not installed (run scripts/setup.sh)"
    return 1
  fi
  DISPLAY="$XDISPLAY" setsid nohup twm -f "$(cd "$(dirname "$0")" && pwd)/twmrc" >/tmp/quorva-twm.log 2>&1 9>&- &
  echo $! >"$pidfile"
  sleep 0.5
  kill -0 "$(cat "$pidfile")" 2>/dev/null || { say "twm did not start: $(tail -3 /tmp/quorva-twm.log)"; return 1; }
  say "window manager running on $XDISPLAY"
}

# Tests run in parallel may each ask for the services: one start at a time.
# A display started by an older copy of this script may still hold the lock: wait a while, then
# go on and look at the services anyway.
exec 9>/tmp/quorva-test-services.lock
flock -w 30 9 || say "the start lock is held elsewhere; checking the services without it"

start_cups || status=1
if start_xvfb; then start_window_manager || status=1; else status=1; fi
exit $status
