#!/usr/bin/env bash
# Starts the services the tests lean on, and leaves them running:
#   - the CUPS scheduler with PDF printer queues (the printing tests read back what a queue
#     received from the scheduler's spool, so finished jobs' files are kept);
#   - an Xvfb display with a small window manager (which draws window captions) for the status
#     window's screenshot test;
#   - an OpenSSH server and a Samba server on 127.0.0.1, each on a port of its own, serving the
#     files under $SERVICES/files to the account quorva-test (the fetch tests and benchmark).
#     They run in the foreground under this script's control, with their state, their pid files
#     and the client side (keys, known_hosts, ssh_config, smbclient credentials) in $SERVICES;
#     the system's own sshd or smbd, and whatever listens on ports 22 and 445, are never used.
# Safe to run again: what is running already is left as it is. Runs as root; there is no service
# manager here, so the daemons are started directly.
#   test-services.sh stop   stops the OpenSSH and Samba servers by their process ids
set -uo pipefail

QUEUES=(QuorvaPdf QuorvaSpare)
XDISPLAY="${QUORVA_TEST_DISPLAY:-:99}"
SERVICES=/tmp/quorva-test-services
SSH_PORT=2222
SMB_PORT=4455
ACCOUNT=quorva-test
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
    cupsd 9>&- || { say "cupsd did not start"; return 1; }
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

running() { [ -s "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

listening() { ss -Hltn "sport = :$1" 2>/dev/null | grep -q .; }

# Starts a daemon that stays in the foreground, in a session of its own, without the start lock;
# its process id goes into the pid file (ours: the daemons are told to write none of their own).
start_daemon() {
  local pidfile="$1" log="$2" port="$3"
  shift 3
  setsid "$@" >"$log" 2>&1 9>&- </dev/null &
  echo $! >"$pidfile"
  for _ in $(seq 1 100); do
    listening "$port" && return 0
    running "$pidfile" || break
    sleep 0.1
  done
  say "$1 did not start listening on 127.0.0.1:$port: $(tail -3 "$log")"
  return 1
}

stop_daemon() {
  local pidfile="$1"
  if running "$pidfile"; then
    kill "$(cat "$pidfile")"
    for _ in $(seq 1 50); do running "$pidfile" || break; sleep 0.1; done
  fi
  rm -f "$pidfile"
}

# The account both servers let in, and the folder they serve: readable by it, written by the tests.
prepare_account() {
  mkdir -p "$SERVICES/files" "$SERVICES/client" "$SERVICES/ssh" "$SERVICES/smb"
  # sshd reads authorized_keys as the account: the ssh folder is open, its host key is not.
  chmod 755 "$SERVICES" "$SERVICES/files" "$SERVICES/ssh"
  chmod 700 "$SERVICES/client" "$SERVICES/smb"
  if ! id "$ACCOUNT" >/dev/null 2>&1; then
    # "*": no password, but not locked ("!"), which sshd without PAM would refuse.
    useradd --system --no-create-home --home-dir "$SERVICES/files" --shell /usr/sbin/nologin -p '*' "$ACCOUNT" ||
      { say "useradd $ACCOUNT failed"; return 1; }
  fi
}

start_sshd() {
  if ! [ -x /usr/sbin/sshd ] || ! command -v sftp >/dev/null; then
    say "OpenSSH is not installed (run scripts/setup.sh)"
    return 1
  fi
  local d="$SERVICES/ssh" c="$SERVICES/client"
  if running "$d/sshd.pid"; then
    say "OpenSSH server running on 127.0.0.1:$SSH_PORT"
    return 0
  fi
  mkdir -p /run/sshd && chmod 755 /run/sshd
  [ -e "$d/host_ed25519" ] || ssh-keygen -q -t ed25519 -N "" -C quorva-test-host -f "$d/host_ed25519"
  # The key the server takes, and one it refuses.
  [ -e "$c/id_ed25519" ] || ssh-keygen -q -t ed25519 -N "" -C quorva-test -f "$c/id_ed25519"
  [ -e "$c/stranger_ed25519" ] || ssh-keygen -q -t ed25519 -N "" -C quorva-stranger -f "$c/stranger_ed25519"
  cp "$c/id_ed25519.pub" "$d/authorized_keys"
  echo "[127.0.0.1]:$SSH_PORT $(cut -d' ' -f1,2 "$d/host_ed25519.pub")" >"$c/known_hosts"
  : >"$c/known_hosts_empty"
  cat >"$d/sshd_config" <<END
Port $SSH_PORT
ListenAddress 127.0.0.1
HostKey $d/host_ed25519
PidFile none
AuthorizedKeysFile $d/authorized_keys
StrictModes no
AllowUsers $ACCOUNT
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
AllowTcpForwarding no
X11Forwarding no
MaxStartups 64:30:200
Subsystem sftp internal-sftp
ForceCommand internal-sftp
END
  # Host names the tests use: quorva-refused offers a key the server refuses, quorva-unknown-key
  # knows no host key; every other name is the test server.
  cat >"$c/ssh_config" <<END
Host quorva-refused
  IdentityFile $c/stranger_ed25519
Host * !quorva-refused
  IdentityFile $c/id_ed25519
Host quorva-unknown-key
  UserKnownHostsFile $c/known_hosts_empty
Host *
  HostName 127.0.0.1
  Port $SSH_PORT
  User $ACCOUNT
  IdentitiesOnly yes
  IdentityAgent none
  UserKnownHostsFile $c/known_hosts
  GlobalKnownHostsFile /dev/null
  StrictHostKeyChecking yes
  UpdateHostKeys no
END
  /usr/sbin/sshd -t -f "$d/sshd_config" || { say "sshd rejects its configuration"; return 1; }
  # sshd re-executes itself, so it is started by its absolute path.
  start_daemon "$d/sshd.pid" "$d/sshd.log" "$SSH_PORT" /usr/sbin/sshd -D -e -f "$d/sshd_config" || return 1
  say "OpenSSH server running on 127.0.0.1:$SSH_PORT"
}

start_smbd() {
  if ! command -v smbd >/dev/null || ! command -v smbclient >/dev/null; then
    say "Samba is not installed (run scripts/setup.sh)"
    return 1
  fi
  local d="$SERVICES/smb" c="$SERVICES/client"
  if running "$d/smbd.pid"; then
    say "Samba server running on 127.0.0.1:$SMB_PORT"
    return 0
  fi
  mkdir -p "$d/private" "$d/lock" "$d/state" "$d/cache" "$d/pid" "$d/ncalrpc" "$d/log"
  cat >"$d/smb.conf" <<END
[global]
  workgroup = QUORVATEST
  server role = standalone server
  smb ports = $SMB_PORT
  interfaces = 127.0.0.1
  bind interfaces only = yes
  disable netbios = yes
  server min protocol = SMB2
  map to guest = never
  passdb backend = tdbsam:$d/private/passdb.tdb
  private dir = $d/private
  lock directory = $d/lock
  state directory = $d/state
  cache directory = $d/cache
  pid directory = $d/pid
  ncalrpc dir = $d/ncalrpc
  log file = $d/log/%m.log
  load printers = no
  printcap name = /dev/null
  disable spoolss = yes
[iis]
  path = $SERVICES/files
  read only = yes
  valid users = $ACCOUNT
END
  if ! [ -s "$c/smb.auth" ]; then
    local password
    password="Q$(head -c 18 /dev/urandom | base64 | tr -d '/+=')"
    printf '%s\n%s\n' "$password" "$password" | smbpasswd -c "$d/smb.conf" -s -a "$ACCOUNT" >/dev/null ||
      { say "smbpasswd could not add $ACCOUNT"; return 1; }
    (umask 077 && printf 'username = %s\npassword = %s\ndomain = QUORVATEST\n' "$ACCOUNT" "$password" >"$c/smb.auth")
    (umask 077 && printf 'username = %s\npassword = wrong\ndomain = QUORVATEST\n' "$ACCOUNT" >"$c/smb-wrong.auth")
  fi
  start_daemon "$d/smbd.pid" "$d/smbd.log" "$SMB_PORT" \
    smbd --foreground --no-process-group --debug-stdout -s "$d/smb.conf" || return 1
  say "Samba server running on 127.0.0.1:$SMB_PORT"
}

if [ "${1:-}" = "stop" ]; then
  stop_daemon "$SERVICES/ssh/sshd.pid"
  stop_daemon "$SERVICES/smb/smbd.pid"
  exit 0
fi

# Tests run in parallel may each ask for the services: one start at a time. The daemons started
# here do not inherit the lock (9>&-); one that did, from an older copy of this script, would hold
# it for good, so the wait is bounded and the checks below run anyway.
exec 9>/tmp/quorva-test-services.lock
flock -w 30 9 || say "the start lock is still held after 30 s; going on without it"

start_cups || status=1
if start_xvfb; then start_window_manager || status=1; else status=1; fi
if prepare_account; then
  start_sshd || status=1
  start_smbd || status=1
else
  status=1
fi
exit $status
