#!/usr/bin/env bash
# Load test of the service sandbox: /get_sms with a valid token, pid and number, a new connection
# per request (as the client makes them), 100 concurrent clients, measured with ApacheBench (ab,
# Debian's apache2-utils) without keep-alive. Then the latency of one such request while 200 idle
# connections and 200 that type a request head a byte a second are open, and while 200 connections
# that sent a whole head trickle its body a byte a second are open (goal for both: 100 ms). Prints
# the figures; asserts nothing.
#   bench/sandbox_load.sh [path/to/borvankh-sandbox] [requests] [concurrency] [threads]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/scripts/sandbox.sh"
sandbox="${1:-$root/build/sandbox/borvankh-sandbox}"
requests="${2:-50000}"
concurrency="${3:-100}"
threads="${4:-}"

if [ ! -x "$sandbox" ]; then
    echo "borvankh-sandbox not found at $sandbox (build it first, or pass its path)" >&2
    exit 2
fi
command -v ab >/dev/null || { echo "ab not found (apt-get install apache2-utils)" >&2; exit 2; }
command -v curl >/dev/null || { echo "curl not found" >&2; exit 2; }

work="$(mktemp -d)"
cleanup() {
    stop_sandbox
    rm -rf "$work"
}
trap cleanup EXIT

args=(--seed 1)
[ -n "$threads" ] && args+=(--threads "$threads")
start_sandbox "$sandbox" "$work" "${args[@]}" || exit 1
port="$sandbox_port"
url="http://127.0.0.1:$port"

token="$(curl -s -d 'user=demo&pwd=demo' "$url/login" | sed -n 's/.*"token":"\([^"]*\)".*/\1/p')"
mobile="$(curl -s -d "token=$token&pid=1001&size=1&prov=&corp=&style=1" "$url/get_mobile" |
    sed -n 's/.*"mobile":"\([0-9]*\)".*/\1/p')"
[ -n "$token" ] && [ -n "$mobile" ] || { echo "could not sign in and rent a number" >&2; exit 1; }
# Deliver the number's SMS first, so every reply is the same (ab counts a reply of another length
# as failed).
curl -s -d "{\"mobile\":\"$mobile\"}" "$url/_sandbox/deliver" >/dev/null
printf 'token=%s&pid=1001&mobile=%s' "$token" "$mobile" >"$work/body"

echo "tool: $(ab -V | head -n 1) without keep-alive, $concurrency concurrent clients, $requests requests"
echo "target: POST $url/get_sms ($(nproc) cores, sandbox: $(sed -n 's/.*(\(.*\)).*/\1/p' "$work/sandbox.err" | head -n 1))"
ab -q -n "$requests" -c "$concurrency" -p "$work/body" -T application/x-www-form-urlencoded \
    "$url/get_sms" >"$work/ab.txt" 2>&1 || { cat "$work/ab.txt" >&2; exit 1; }
grep -E '^(Complete requests|Failed requests|Non-2xx responses|Time per request|Requests per second)' "$work/ab.txt"
rps="$(sed -n 's/^Requests per second: *\([0-9.]*\).*/\1/p' "$work/ab.txt")"
echo "RESULT: $rps requests per second of /get_sms (ab, no keep-alive, $concurrency concurrent)"

# Idle and slow clients: bash's /dev/tcp connections, kept open by this shell.
idle=()
slow=()
for _ in $(seq 1 200); do
    exec {fd}<>"/dev/tcp/127.0.0.1/$port"
    idle+=("$fd")
    exec {fd}<>"/dev/tcp/127.0.0.1/$port"
    slow+=("$fd")
done
(
    for _ in 1 2 3; do
        for fd in "${slow[@]}"; do printf 'P' >&"$fd" 2>/dev/null || true; done
        sleep 1
    done
) &
typist=$!
sleep 1.5
latency="$(curl -s -o /dev/null -m 30 -w '%{time_total}' --data-binary @"$work/body" "$url/get_sms" || true)"
wait "$typist" || true
for fd in "${idle[@]}" "${slow[@]}"; do exec {fd}>&-; done
ms="$(awk -v s="${latency:-0}" 'BEGIN { printf "%.1f", s * 1000 }')"
echo "RESULT: $ms ms for one /get_sms behind 200 idle and 200 slow connections (goal: 100 ms)"

# Clients that sent a whole head and then trickle the body it announces, a byte a second.
trickling=()
for _ in $(seq 1 200); do
    exec {fd}<>"/dev/tcp/127.0.0.1/$port"
    printf 'POST /get_sms HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n' >&"$fd"
    trickling+=("$fd")
done
(
    for _ in 1 2 3; do
        for fd in "${trickling[@]}"; do printf 'a' >&"$fd" 2>/dev/null || true; done
        sleep 1
    done
) &
typist=$!
sleep 1.5
latency="$(curl -s -o /dev/null -m 30 -w '%{time_total}' --data-binary @"$work/body" "$url/get_sms" || true)"
wait "$typist" || true
for fd in "${trickling[@]}"; do exec {fd}>&-; done
ms="$(awk -v s="${latency:-0}" 'BEGIN { printf "%.1f", s * 1000 }')"
echo "RESULT: $ms ms for one /get_sms behind 200 connections trickling their bodies (goal: 100 ms)"
