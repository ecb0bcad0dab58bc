# Starting and stopping the service sandbox from a shell script, one way for every script that needs
# one (scripts/, bench/, tests/soak/, packaging/). Source it, then:
#   start_sandbox BINARY FOLDER [ARGUMENT...]
#       starts BINARY --port 0 ARGUMENT... in the background, its output in FOLDER/sandbox.out and
#       FOLDER/sandbox.err, and waits until it prints the port it listens on (its first line). Sets
#       sandbox_pid and sandbox_port. When the sandbox ends, or prints no port within
#       KH_SANDBOX_START_SECONDS (10 by default), it says so on stderr, with what the sandbox said,
#       stops it and returns 1.
#   stop_sandbox
#       ends the sandbox started last (SIGTERM, then waits for it); nothing when none runs.

sandbox_pid=""
sandbox_port=""

start_sandbox() {
    local binary=$1 folder=$2
    shift 2
    sandbox_port=""
    if [ ! -x "$binary" ]; then
        echo "sandbox: $binary is not built" >&2
        return 1
    fi
    "$binary" --port 0 "$@" >"$folder/sandbox.out" 2>"$folder/sandbox.err" &
    sandbox_pid=$!
    local seconds="${KH_SANDBOX_START_SECONDS:-10}"
    local tries=$((seconds * 10))
    local line
    while [ "$tries" -gt 0 ]; do
        line="$(head -n 1 "$folder/sandbox.out" 2>/dev/null || true)"
        if [[ "$line" =~ ^[0-9]+$ ]]; then
            sandbox_port=$line
            return 0
        fi
        if ! kill -0 "$sandbox_pid" 2>/dev/null; then
            local status=0
            wait "$sandbox_pid" 2>/dev/null || status=$?
            sandbox_pid=""
            echo "sandbox: $binary ended (status $status) before it printed its port:" >&2
            cat "$folder/sandbox.err" >&2
            return 1
        fi
        sleep 0.1
        tries=$((tries - 1))
    done
    echo "sandbox: $binary printed no port within $seconds s:" >&2
    cat "$folder/sandbox.err" >&2
    stop_sandbox
    return 1
}

stop_sandbox() {
    if [ -n "$sandbox_pid" ] && kill -0 "$sandbox_pid" 2>/dev/null; then
        kill -TERM "$sandbox_pid" 2>/dev/null || true
        wait "$sandbox_pid" 2>/dev/null || true
    fi
    sandbox_pid=""
}
