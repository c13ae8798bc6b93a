#!/usr/bin/env bash
# One full run of velmora in a session of its own, with a private HOME, TMPDIR and working
# folder: afterwards no process of that session is left, no shared-memory segment, nothing
# in those folders, and no new entry at the top of /tmp or /dev/shm. (Deeper in /tmp other
# programs on the machine keep working folders of their own, which would be false alarms.)
# Usage: leftovers_test.sh VELMORA X_SERVER_SCRIPT
set -u
velmora=$1
x_server=$2
work=$(mktemp -d)
state=$(mktemp -d)
trap 'bash "$x_server" stop "$state"; rm -rf "$work" "$state"' EXIT
mkdir -p "$work/home" "$work/cwd" "$work/tmp"
bash "$x_server" start "$state" 24 none || exit 1
display=$(cat "$state/display")

snapshot() {
    ipcs -m | awk 'NR > 3 && $1 != "" { print "shm", $2 }'
    find /tmp /dev/shm -mindepth 1 -maxdepth 1 2>/dev/null
    find "$work" -mindepth 1 2>/dev/null
}
before=$(snapshot)

cd "$work/cwd" || exit 1
# setsid makes velmora the leader of a new session whose id is its pid.
env -i PATH="$PATH" HOME="$work/home" TMPDIR="$work/tmp" DISPLAY="$display" setsid "$velmora" \
    >"$state/out" 2>"$state/err" &
session=$!
wait "$session"
status=$?
cd - >/dev/null || exit 1
sleep 0.5
after=$(snapshot)

passed=0
failed=0
check() {  # description, condition result (0 is good), detail
    if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1: $3"; fi
}
check "exit status 0" "$status" "status $status, stderr: $(cat "$state/err")"
grep -q '^Plasma 10 seconds benchmark - [1-9][0-9]*$' "$state/out"
check "result line" $? "$(cat "$state/out")"
left=$(ps -o pid=,comm= -s "$session" 2>/dev/null)
[ -z "$left" ]
check "no process left in its session" $? "$left"
new=$(comm -13 <(echo "$before" | sort) <(echo "$after" | sort))
[ -z "$new" ]
check "no shared memory or file left" $? "$new"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
