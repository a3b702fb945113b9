#!/bin/sh
# Runs every test program of the build folder $1 under valgrind's memcheck,
# the programs that they start included, and fails on any memory error or
# leak that any of them shows.
build=$(cd "$1" && pwd)
log_folder="$build/valgrind"
rm -rf "$log_folder"
mkdir -p "$log_folder"
failed=0
for test in convert_tests driver_tests program_tests \
  var_to_text_replay text_to_var_replay read_line_replay kestrin_replay; do
  # One log per process; a process with an error exits with status 99.
  if valgrind --quiet --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible \
    --trace-children=yes --log-file="$log_folder/$test.%p.log" \
    "$build/bin/$test" > "$log_folder/$test.out" 2>&1; then
    echo "valgrind $test: clean"
  else
    failed=1
    echo "valgrind $test: FAILED; see $log_folder/"
    tail -n 20 "$log_folder/$test.out"
  fi
done
# A child's error does not always reach the test's status: every log must
# be empty.
for log in "$log_folder"/*.log; do
  if [ -s "$log" ]; then
    failed=1
    echo "valgrind report in $log:"
    head -n 40 "$log"
  fi
done
exit $failed
