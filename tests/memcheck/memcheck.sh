#!/bin/sh
# valgrind memcheck of the real program under Xvfb for SECONDS (default 10)
# with a few touches, keys and a take, ended by SIGTERM so that it exits normally and
# the leak check runs. Fails when the program does not exit 0, or when valgrind
# reports an invalid read or write, a use of uninitialised memory, a bad free or
# a definite leak in pegpond's own code: an error counts as ours when one of
# the first three frames below the allocator and the C library's string and
# memory functions lies in this repository. Known findings inside the system
# libraries (glibc's loader, Mesa, X11, SDL) are suppressed by memcheck.supp;
# any others are listed but do not fail the run.
#   memcheck.sh BUILD_DIR [SECONDS]
BUILD=$1
seconds=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/xsession"

make_work
log="$WORK/valgrind.log"
start_x
WRAPPER="valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --show-leak-kinds=definite
  --errors-for-leak-kinds=definite --num-callers=40 --keep-debuginfo=yes --fullpath-after=
  --suppressions=$here/memcheck.supp --log-file=$log" start_program LP_NUM_THREADS=0 HOME="$WORK"
wait_window || { echo "memcheck FAILED: no window"; exit 1; }
sleep 2
xdo mousemove 60 400 key a  # a key without a command ends the intro
sleep 1
xdo mousemove 22 427 click 1 mousemove 47 402 click 1
xdo mousemove 72 377 mousedown 1 mousemove 97 377 mousemove 122 352 mouseup 1
xdo key shift+1 key 2 key 1 key l key s key s keydown Left sleep 0.6 keyup Left keydown BackSpace sleep 0.6 keyup BackSpace
xdo key l key shift+r key w  # a take, running at the quit
sleep "$seconds"
stop_program
echo "valgrind: exit status $STATUS"
grep -E "ERROR SUMMARY|definitely lost:|suppressed:" "$log" | sed 's/^==[0-9]*== *//'

# Splits the log into records and sorts the errors into ours and the system's.
awk -v root="$root/" '
  /^==[0-9]+== ?$/ { if (error && ours) { print "--- in pegpond:" record; found++ } record = ""; error = ours = frames = 0; next }
  { sub(/^==[0-9]+== ?/, ""); record = record "\n" $0 }
  /^(Invalid|Mismatched|Conditional jump|Use of uninitialised|Syscall param|Source and destination)|definitely lost/ { error = 1 }
  /^ *(Address|Block|Uninitialised)/ { frames = 3 }
  /^ +(at|by) 0x/ && !/vgpreload_memcheck|: (malloc|calloc|realloc|memalign|posix_memalign|operator new|mem(cpy|move|set|cmp)|str[a-z]*) \(/ {
    if (frames++ < 3 && index($0, root)) ours = 1
  }
  END { printf "%d error(s) in pegpond\n", found; exit found > 0 }
' "$log" || { KEEP_WORK=1; echo "memcheck FAILED: errors in pegpond (full log kept in $log)"; exit 1; }
if grep -q "Process terminating with default action" "$log" || { [ "$STATUS" -ne 0 ] && [ "$STATUS" -ne 99 ]; }; then
  echo "memcheck FAILED: the program did not end normally (status $STATUS)"
  exit 1
fi
grep -q "LEAK SUMMARY\|All heap blocks were freed" "$log" || { echo "memcheck FAILED: no leak check ran"; exit 1; }
echo "memcheck passed"
