#!/bin/sh
# Runs every fuzz target of the build folder $1 for $2 seconds each, on a
# working copy of its seed corpus, and exits non-zero when any target found
# something. Findings land in $1/findings/, the grown corpora in $1/corpus/.
# Each target's final line gives its executions per second and the edges
# (cov) and features (ft) that it reached.
build=$(cd "$1" && pwd)
seconds=${2:-180}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$build/findings"
# Every input makes and removes files: a folder in memory is several times
# faster than a disk.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
failed=0
for target in var_to_text text_to_var read_line kestrin; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  options=""
  [ -f "$here/$target.dict" ] && options="-dict=$here/$target.dict"
  log="$build/fuzz-$target.log"
  "$build/bin/${target}_fuzz" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target-" $options \
    "$corpus" "$here/corpus/$target" > "$log" 2>&1
  status=$?
  stats=$(grep -E "^#[0-9]+[[:space:]]+DONE" "$log" | tail -n 1)
  speed=$(grep -E "^stat::average_exec_per_sec" "$log" | awk '{print $2}')
  if [ $status -ne 0 ]; then
    failed=1
    echo "fuzz $target: FAILED (status $status); the end of $log:"
    tail -n 40 "$log"
  else
    echo "fuzz $target: ${seconds}s, $speed executions/s; $stats"
  fi
done
if [ $failed -ne 0 ]; then
  echo "fuzzing found faults: see $build/findings/"
  exit 1
fi
