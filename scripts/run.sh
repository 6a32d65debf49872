#!/usr/bin/env bash
# Builds the 64-bit launcher and runs it under wine64 against the local demo operator.
#   scripts/run.sh [--real] [-DQARVELO_LOGIN_URL=...]
# Wine here has no HTML engine, so by default the launcher runs with the stand-in page of the tests:
# a green page where the login page would be, and a click on it starts the game as the demo page's
# link does. --real runs the plain launcher, whose pages then stay empty.
# Passes the launcher's exit code through (16 after a confirmed quit).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

exe=Qarvelo_standin
if [[ ${1:-} == --real ]]; then
  exe=Qarvelo
  shift
fi
bash scripts/setup.sh
bash scripts/build.sh --arch x86_64 --target "$exe" "$@"
source scripts/env.sh

server_pid=
stop() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  qarvelo_cleanup
}
trap stop EXIT

# Serve the login page only when the build points at this machine.
url=$(sed -n 's/^QARVELO_LOGIN_URL:STRING=//p' build/x86_64/CMakeCache.txt)
if [[ $url =~ ^http://(127\.0\.0\.1|localhost):([0-9]+)/ ]]; then
  port=${BASH_REMATCH[2]}
  /usr/bin/python3 demo/operator_server.py --port "$port" --log build/operator.jsonl &
  server_pid=$!
  for _ in {1..50}; do
    (: <>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
  done
fi

path=$(find build/x86_64 -name "$exe.exe" -print -quit)
echo "run: $exe.exe on DISPLAY=$DISPLAY, login page $url"
code=0
"$WINE" "$path" || code=$?
echo "run: launcher exited with $code"
exit "$code"
