#!/usr/bin/env bash
# One full run of velmora in a session of its own, with a private HOME and working folder:
# afterwards no process of that session is left, no shared-memory segment, and no file in
# HOME, the working folder, /tmp or /dev/shm that was not there before.
# Usage: leftovers_test.sh VELMORA X_SERVER_SCRIPT
set -u
velmora=$1
x_server=$2
work=$(mktemp -d)
state=$(mktemp -d)
trap 'bash "$x_server" stop "$state"; rm -rf "$work" "$state"' EXIT
mkdir -p "$work/home" "$work/cwd"
bash "$x_server" start "$state" 24 none || exit 1
display=$(cat "$state/display")

snapshot() {
    ipcs -m | awk 'NR > 3 && $1 != "" { print "shm", $2 }'
    find /tmp /dev/shm "$work" -xdev -path "$state" -prune -o -print 2>/dev/null | sort
}
before=$(snapshot)

(cd "$work/cwd" && env -i PATH="$PATH" HOME="$work/home" DISPLAY="$display" setsid "$velmora" \
    >"$state/out" 2>"$state/err" & echo $! >"$state/velmora.pid"; wait)
status=$?
session=$(cat "$state/velmora.pid")
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
new=$(comm -13 <(echo "$before") <(echo "$after") | grep -v -e "^$work/home$" -e "^$work/cwd$" -e "^$state")
[ -z "$new" ]
check "no shared memory or file left" $? "$new"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
