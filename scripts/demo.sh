#!/usr/bin/env bash
# Installs what is missing, builds Velto and velto-sandbox, starts the sandbox
# on a free loopback port and runs Velto against it with a profile of its own
# (temporary HOME and XDG folders), so your own Velto settings are never
# touched. Quitting Velto stops the sandbox and removes the profile.
#
#   VELTO_BUILD_DIR       build folder (default: build/ in the checkout)
#   VELTO_DEMO_SIGNED_IN  0 (default): start signed out, on the sandbox's sign-in
#                         page (user demo, password demo); 1: start signed in as
#                         "demo" with the token "demo-token"
#   VELTO_DEMO_LATENCY_MS milliseconds every answer of the sandbox waits, as a
#                         distant service would (default 150; 0: instant)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
build="${VELTO_BUILD_DIR:-$root/build}"

profile="$(mktemp -d "${TMPDIR:-/tmp}/velto-demo.XXXXXX")"
sandbox_pid=""
cleanup() {
  if [ -n "$sandbox_pid" ] && kill -0 "$sandbox_pid" 2>/dev/null; then
    kill "$sandbox_pid" 2>/dev/null || true
    wait "$sandbox_pid" 2>/dev/null || true
  fi
  rm -rf "$profile"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The sandbox prints "velto-sandbox listening on http://127.0.0.1:<port>" first.
"$build/sandbox/velto-sandbox" --port 0 --demo --latency "${VELTO_DEMO_LATENCY_MS:-150}" >"$profile/sandbox.log" 2>&1 &
sandbox_pid=$!
base=""
for _ in $(seq 1 150); do
  base="$(sed -n 's#^velto-sandbox listening on \(http://127\.0\.0\.1:[0-9]*\)$#\1#p' "$profile/sandbox.log" | head -n 1)"
  [ -n "$base" ] && break
  if ! kill -0 "$sandbox_pid" 2>/dev/null; then
    echo "demo: velto-sandbox stopped before it was ready:" >&2
    cat "$profile/sandbox.log" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$base" ]; then
  echo "demo: velto-sandbox did not report its address within 15 s" >&2
  exit 1
fi
echo "demo: sandbox at $base"
echo "demo: sign in with the user name demo and the password demo"

# X clients find their cookie through HOME unless told otherwise.
if [ -z "${XAUTHORITY:-}" ] && [ -f "${HOME:-}/.Xauthority" ]; then
  export XAUTHORITY="$HOME/.Xauthority"
fi
export HOME="$profile/home"
export XDG_CONFIG_HOME="$profile/config"
export XDG_DATA_HOME="$profile/data"
export XDG_CACHE_HOME="$profile/cache"
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Velto" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
# The session's runtime folder (Wayland, D-Bus) stays; only a missing one is made up.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$profile/runtime"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
fi

if [ "${VELTO_DEMO_SIGNED_IN:-0}" = "1" ]; then
  conf="$XDG_CONFIG_HOME/Velto/Velto.conf"
  printf '[General]\nisUserAuthDone=true\naccess_token=demo-token\n' >"$conf"
  chmod 600 "$conf"
fi

export VELTO_API_BASE="$base/stream/0"
export VELTO_SITE_BASE="$base"
export VELTO_PROBE_URL="$base/"
export VELTO_SHORTENER_BASE="$base"
export VELTO_IMAGE_HOST_BASE="$base"
export VELTO_MAKER_SITE_BASE="$base"

# The demo's throwaway sign-in stays out of your keyring (any other value
# of VELTO_KEYRING lets Velto use it).
export VELTO_KEYRING="${VELTO_KEYRING:-off}"
# Signing in and out restarts Velto; with this it asks the script to, so the
# sandbox and the profile stay for the new start.
export VELTO_RESTART_BY_PARENT=1
run_velto() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$build/src/velto"
  else
    "$build/src/velto"
  fi
}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: no display found, running Velto under xvfb-run"
fi
while true; do
  status=0
  run_velto || status=$?
  [ "$status" -eq 75 ] || break
  echo "demo: Velto restarts"
  sleep 1
done
exit "$status"
