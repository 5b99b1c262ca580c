# Sourced by the benchmarks: starts the FTP server named by $SERVER on a free
# loopback port and stops it again.
#
#   SERVER=pyftpdlib   (the default) tests/support/pyftpd_server.py
#   SERVER=vsftpd      /usr/sbin/vsftpd (apt-get install vsftpd), anonymous login
#   SERVER=pure-ftpd   fetched once with `apt-get download pure-ftpd` and
#                      unpacked into build/pure-ftpd (it conflicts with vsftpd
#                      as a package), a throwaway virtual user
#
# vsftpd and pure-ftpd need root. start_ftp_server ROOT SCRATCH serves the
# folder ROOT, made readable by the server's user, and keeps its configuration
# and log in the folder SCRATCH. Uploads go to ROOT/up, which the caller makes
# when it needs one (vsftpd refuses a login whose root it could write to). It sets
# server_port, server_user, server_password and server_label. stop_ftp_server
# ends the server and every session process it started; it may be called
# from an EXIT trap, and more than once.
#
# PIN_CPUS=1 runs the server on the first CPU and the clients (pin_client,
# used by compare_clients.sh) on the second: on a machine of two cores the
# scheduler otherwise puts both on one now and then, and a run takes twice
# as long for either client.

server_name="${SERVER:-pyftpdlib}"
server_pid=""
pin_server=()
pin_client=()
if [ -n "${PIN_CPUS:-}" ] && [ "$(nproc)" -ge 2 ]; then
  pin_server=(taskset -c 0)
  pin_client=(taskset -c 1)
fi

# A port that was free a moment ago (vsftpd and pure-ftpd bind their own).
free_loopback_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Unpacks pure-ftpd (with pure-pw) under build/, once.
fetch_pure_ftpd() {
  local dir="build/pure-ftpd"
  if [ ! -x "$dir/usr/sbin/pure-ftpd" ]; then
    echo "Fetching pure-ftpd into $dir ..."
    rm -rf "$dir/download" && mkdir -p "$dir/download"
    (cd "$dir/download" && apt-get download pure-ftpd >/dev/null 2>&1) ||
      { echo "apt-get download pure-ftpd failed (run apt-get update first?)" >&2; return 1; }
    dpkg-deb -x "$dir"/download/pure-ftpd_*.deb "$dir"
  fi
  pure_ftpd_dir="$(cd "$dir" && pwd)"
}

# Waits until the server accepts a connection on $server_port.
wait_for_server() {
  local log="$1"
  for _ in $(seq 1 200); do
    if /usr/bin/python3 -c 'import socket, sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1)' \
      "$server_port" 2>/dev/null; then
      return 0
    fi
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.05
  done
  echo "the FTP server ($server_name) did not start" >&2
  cat "$log" >&2 2>/dev/null
  return 1
}

start_ftp_server() {
  local root="$1" scratch="$2"
  # The servers' own users (ftp, nobody) read here and write in up/; the
  # scratch folder above it must let them through.
  chmod 755 "$scratch" "$root"
  [ -d "$root/up" ] && chmod 777 "$root/up"
  case "$server_name" in
  pyftpdlib)
    /usr/bin/python3 -c "import pyftpdlib" 2>/dev/null ||
      { echo "missing: python3-pyftpdlib (run scripts/install-deps.sh)" >&2; return 1; }
    server_user=brimol server_password=pelrosta
    setsid "${pin_server[@]}" /usr/bin/python3 tests/support/pyftpd_server.py --root "$root" --user "$server_user" \
      --password "$server_password" >"$scratch/port" 2>"$scratch/server.log" &
    server_pid=$!
    for _ in $(seq 1 200); do
      [ -s "$scratch/port" ] && break
      sleep 0.05
    done
    server_port="$(head -n1 "$scratch/port")"
    [ -n "$server_port" ] ||
      { echo "the FTP server did not start" >&2; cat "$scratch/server.log" >&2; return 1; }
    ;;
  vsftpd)
    [ -x /usr/sbin/vsftpd ] || { echo "missing: vsftpd (apt-get install vsftpd)" >&2; return 1; }
    [ "$(id -u)" -eq 0 ] || { echo "SERVER=vsftpd needs root" >&2; return 1; }
    server_user=anonymous server_password=scrivlet-bench
    server_port="$(free_loopback_port)"
    mkdir -p "$scratch/vsftpd-empty"
    cat >"$scratch/vsftpd.conf" <<EOF
listen=YES
listen_address=127.0.0.1
listen_port=$server_port
background=NO
anonymous_enable=YES
local_enable=NO
anon_root=$root
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_umask=022
no_anon_password=YES
connect_from_port_20=NO
seccomp_sandbox=NO
secure_chroot_dir=$scratch/vsftpd-empty
vsftpd_log_file=$scratch/server.log
EOF
    setsid "${pin_server[@]}" /usr/sbin/vsftpd "$scratch/vsftpd.conf" >"$scratch/server.out" 2>&1 &
    server_pid=$!
    wait_for_server "$scratch/server.out"
    ;;
  pure-ftpd)
    [ "$(id -u)" -eq 0 ] || { echo "SERVER=pure-ftpd needs root" >&2; return 1; }
    fetch_pure_ftpd
    server_user=brimol server_password=pelrosta
    server_port="$(free_loopback_port)"
    # A virtual user of its own database, mapped to nobody and shut in ROOT.
    # The password's hash is a SHA-512 crypt, not pure-pw's own argon2, which
    # takes the server most of a second per login and would swamp the timings.
    echo "$server_user:$(openssl passwd -6 -salt scrivlet "$server_password"):65534:65534::$root/./::::::::::::" \
      >"$scratch/pure-ftpd.passwd"
    "$pure_ftpd_dir/usr/bin/pure-pw" mkdb "$scratch/pure-ftpd.pdb" -f "$scratch/pure-ftpd.passwd"
    # -E: no anonymous login, -A: chroot, -H: no name look-ups, -L: listings
    # of up to a million entries.
    setsid "${pin_server[@]}" "$pure_ftpd_dir/usr/sbin/pure-ftpd" -S "127.0.0.1,$server_port" \
      -l "puredb:$scratch/pure-ftpd.pdb" -E -A -H -L 1000000:8 >"$scratch/server.log" 2>&1 &
    server_pid=$!
    wait_for_server "$scratch/server.log"
    ;;
  *)
    echo "SERVER must be pyftpdlib, vsftpd or pure-ftpd, not '$server_name'" >&2
    return 1
    ;;
  esac
  server_label="$server_name on 127.0.0.1${pin_server[*]:+, server on CPU 0 and clients on CPU 1}"
}

stop_ftp_server() {
  if [ -n "$server_pid" ]; then
    # The whole session (setsid): the listener and the processes it forked.
    kill -- "-$server_pid" 2>/dev/null || kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
  fi
}
