# A package server on loopback for showing Corvane at work, sourced by
# scripts/demo and scripts/screenshots. It sets `work` (a temporary
# directory removed on exit), `installed`, `offered`, `port`, the served
# feed's folder `feed_dir` and disk image `image`, and the
# environment the agent's test build reads (agent_env, an array of
# NAME=value settings), and serves the feed and the disk image.
work=$(mktemp -d)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

installed="26.0"
offered="26.2.1"
# The package server's files: the feed for this installed version and word
# size, and the disk image it points at.
feed_dir="$work/www/erlang/erlang/quorvel/general/$installed/64"
mkdir -p "$feed_dir" "$work/www/site/zvk/otp/$offered" "$work/tmp" "$work/config"
cat > "$feed_dir/data.json" <<JSON
{"stable": [{"canonical_version": "$offered", "version": "$offered", "path": "otp/$offered/erlang-$offered.dmg"}]}
JSON
image="$work/www/site/zvk/otp/$offered/erlang-$offered.dmg"
echo "a pretend disk image of Erlang/OTP $offered" > "$image"
echo "$installed" > "$work/zvk_otp_version"

# The disk-image tool does not exist here: a stand-in says what it was asked.
cat > "$work/hdiutil" <<'TOOL'
#!/bin/sh
echo "[hdiutil stand-in] asked to: $*" >&2
TOOL
chmod +x "$work/hdiutil"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >/dev/null 2>&1 &
server_pid=$!

# A day of the agent's clock lasts 5 real seconds.
agent_env=(
  XDG_CONFIG_HOME="$work/config"
  CORVANE_CLOCK_SCALE=17280
  CORVANE_VERSION_FILE="$work/zvk_otp_version"
  CORVANE_CONNECT_TO="127.0.0.1:$port"
  CORVANE_HDIUTIL="$work/hdiutil"
  CORVANE_TMP_DIR="$work/tmp"
)
