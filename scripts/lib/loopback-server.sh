# Starting a server on loopback, sourced by the scripts that need one:
#   serve_on_loopback COMMAND [ARGUMENTS ...]
# runs COMMAND in the background; it must bind 127.0.0.1 port 0 and print
# the port the system gave it as its first line of standard output. Sets
# `port` and `server_pid`. The server picks its own port, so no other
# program can take the port between its choice and the bind. Needs `work`,
# a directory of the caller's.
serve_on_loopback() {
  local announced=$work/server-port
  "$@" >"$announced" &
  server_pid=$!
  until [ "$(wc -l <"$announced")" -ge 1 ]; do
    if ! kill -0 "$server_pid" 2>/dev/null; then
      echo "the server on loopback ($1) did not start" >&2
      return 1
    fi
    sleep 0.1
  done
  port=$(head -n 1 "$announced")
}
