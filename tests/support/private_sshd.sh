# Sourced by the remote scan test and benchmark: a private OpenSSH server on a loopback
# port, with a throwaway host key and user key, its configuration and its log in a folder
# of the caller's, and a client configuration of its own (the user's ~/.ssh is not read).
#
#   private_sshd_start DIR FORCE   starts /usr/sbin/sshd; every login runs the command FORCE
#                                  (which finds the client's command in
#                                  $SSH_ORIGINAL_COMMAND). Sets private_sshd_pid and writes
#                                  DIR/ssh_config for the hosts "testhost" (the user key),
#                                  "wrongkey" (a key the server does not know), "unknownkey"
#                                  (no known host key) and "closedhost" (a closed port).
#                                  Where the machine has an IPv6 loopback the server
#                                  listens on ::1 too, private_sshd_port names the port
#                                  and the configuration lets "::1" log in as testhost;
#                                  else private_sshd_ipv6 is empty.
#                                  Returns 77 where the server or the client is missing, 1
#                                  when it cannot start; private_sshd_why says why.
#   private_sshd_stop              stops it.

private_sshd_pid=
private_sshd_why=
private_sshd_port=
private_sshd_ipv6=

private_sshd_start() {
    local dir=$1 force=$2 key port=
    if [[ ! -x /usr/sbin/sshd ]]; then
        private_sshd_why="no /usr/sbin/sshd (Debian's openssh-server)"
        return 77
    fi
    if ! command -v ssh >/dev/null || ! command -v ssh-keygen >/dev/null; then
        private_sshd_why="no ssh or ssh-keygen (openssh-client)"
        return 77
    fi
    # sshd checks its privilege-separation folder when run as root (as CI runs); the
    # system's service makes it, and no service runs here.
    if [[ $(id -u) == 0 && ! -d /run/sshd ]]; then
        private_sshd_why="cannot make /run/sshd"
        mkdir -p -m 0755 /run/sshd || return 1
    fi
    for key in host_key user_key other_key; do
        private_sshd_why="ssh-keygen failed"
        ssh-keygen -q -t ed25519 -N '' -C "$key" -f "$dir/$key" || return 1
    done
    cp "$dir/user_key.pub" "$dir/authorized_keys"
    # sshd refuses to start on an address the machine does not have.
    private_sshd_ipv6=
    grep -q '^0\{31\}1 .* lo$' /proc/net/if_inet6 2>/dev/null && private_sshd_ipv6=1
    local candidate
    for _ in $(seq 20); do
        candidate=$((20000 + RANDOM % 40000))
        cat >"$dir/sshd_config" <<CONFIG
Port $candidate
ListenAddress 127.0.0.1
${private_sshd_ipv6:+ListenAddress ::1}
HostKey $dir/host_key
PidFile $dir/sshd.pid
AuthorizedKeysFile $dir/authorized_keys
StrictModes no
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
UsePAM no
ForceCommand $force
CONFIG
        /usr/sbin/sshd -D -e -f "$dir/sshd_config" </dev/null >/dev/null 2>"$dir/sshd.log" &
        private_sshd_pid=$!
        for _ in $(seq 100); do
            grep -q "Server listening" "$dir/sshd.log" && port=$candidate && break 2
            kill -0 "$private_sshd_pid" 2>/dev/null || break
            sleep 0.05
        done
        private_sshd_stop # a port someone else had, or too slow
    done
    if [[ -z $port ]]; then
        private_sshd_why=$(cat "$dir/sshd.log")
        return 1
    fi
    private_sshd_port=$port
    echo "[127.0.0.1]:$port,[::1]:$port $(cat "$dir/host_key.pub")" >"$dir/known_hosts"
    # ssh takes the first value it meets of each setting (IdentityFile adds up): the
    # special hosts come first.
    cat >"$dir/ssh_config" <<CONFIG
Host wrongkey
    IdentityFile $dir/other_key
Host unknownkey
    UserKnownHostsFile /dev/null
Host testhost unknownkey ::1
    IdentityFile $dir/user_key
Host closedhost
    HostName 127.0.0.1
    Port 1
Host testhost wrongkey unknownkey
    HostName 127.0.0.1
    Port $port
Host testhost wrongkey unknownkey ::1
    IdentitiesOnly yes
    UserKnownHostsFile $dir/known_hosts
    GlobalKnownHostsFile /dev/null
    StrictHostKeyChecking yes
    User $(id -un)
CONFIG
}

private_sshd_stop() {
    if [[ -n $private_sshd_pid ]]; then
        kill "$private_sshd_pid" 2>/dev/null
        wait "$private_sshd_pid" 2>/dev/null
    fi
    private_sshd_pid=
}
