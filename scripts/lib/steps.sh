# Runs a list of named steps to their ends, whatever fails on the way, and closes with one summary:
# each step's outcome, wall time and CPU time, then "steps: N passed, N failed". Source it; used
# by scripts/test.
#
#   step NAME [--needs NAME[,NAME...]] COMMAND...
#       runs COMMAND (a function or a program) with errexit on, in a subshell of its own, with its
#       output as it comes (and in build/steps/NAME.log); a step whose needs did not pass is
#       skipped and counts as failed.
#   step_start NAME [--needs ...] COMMAND...
#       the same in the background at the lowest CPU priority, so that it takes only what the
#       steps in the foreground leave idle (builds beside tests that mostly wait); its output is
#       kept in build/steps/NAME.log and printed by step_join NAME, which waits for it.
#   steps_summary
#       prints the summary and returns non-zero when any step failed or was skipped.

declare -A vantrel_step_outcome=() vantrel_step_pid=() vantrel_step_began=()
vantrel_step_names=()
vantrel_step_seconds=()
vantrel_steps_started=$(date +%s)

# vantrel_step_record NAME STATUS SECONDS [NOTE]
vantrel_step_record() {
  vantrel_step_names+=("$1")
  vantrel_step_seconds+=("$3")
  if [ "$2" -eq 0 ]; then
    vantrel_step_outcome[$1]=passed
  else
    vantrel_step_outcome[$1]="FAILED (status $2)"
  fi
  echo "=== $1: ${vantrel_step_outcome[$1]} in $3 s${4:-}"
}

# vantrel_step_ready NAME NEEDS: true when every step named in NEEDS (comma-separated) passed;
# otherwise records NAME as skipped.
vantrel_step_ready() {
  local need
  for need in ${2//,/ }; do
    if [ "${vantrel_step_outcome[$need]:-}" != passed ]; then
      echo "=== $1: skipped, since $need did not pass"
      vantrel_step_names+=("$1")
      vantrel_step_seconds+=(0)
      vantrel_step_outcome[$1]="skipped ($need did not pass)"
      return 1
    fi
  done
}

# vantrel_step_body NAME COMMAND...: in a step's subshell, runs COMMAND with errexit on and, as
# the subshell ends, leaves in build/steps/NAME.cpu the CPU seconds (user and system) that COMMAND
# and everything it waited for used: beside the wall time, it shows which steps the machine's two
# cores were busy with.
vantrel_step_body() {
  vantrel_step_cpu_file="build/steps/$1.cpu"
  shift
  trap vantrel_step_cpu EXIT
  set -euo pipefail
  "$@"
}

vantrel_step_cpu() {
  date +%s >"${vantrel_step_cpu_file%.cpu}.end"
  times >"$vantrel_step_cpu_file" # the second line: the children's user and system time
  awk 'NR == 2 { split($1, u, /[ms]/); split($2, s, /[ms]/)
    printf "%d\n", u[1] * 60 + u[2] + s[1] * 60 + s[2] + 0.5 }' "$vantrel_step_cpu_file" \
    >"$vantrel_step_cpu_file.tmp" && mv "$vantrel_step_cpu_file.tmp" "$vantrel_step_cpu_file"
}

step() {
  local name=$1 needs="" status began errexit=${-//[^e]/}
  shift
  [ "${1:-}" != --needs ] || { needs=$2 && shift 2; }
  vantrel_step_ready "$name" "$needs" || return 0
  echo "=== $name"
  mkdir -p build/steps
  began=$(date +%s)
  # errexit holds in the subshell only while the subshell is not part of a condition, so the
  # status is taken afterwards, with errexit off out here.
  set +e
  (vantrel_step_body "$name" "$@") 2>&1 | tee "build/steps/$name.log"
  status=${PIPESTATUS[0]}
  [ -z "$errexit" ] || set -e
  vantrel_step_record "$name" "$status" $(($(date +%s) - began))
}

step_start() {
  local name=$1 needs=""
  shift
  [ "${1:-}" != --needs ] || { needs=$2 && shift 2; }
  vantrel_step_ready "$name" "$needs" || return 0
  mkdir -p build/steps
  echo "=== $name: started in the background (output in build/steps/$name.log)"
  vantrel_step_began[$name]=$(date +%s)
  (
    renice -n 19 -p "$BASHPID" >/dev/null
    vantrel_step_body "$name" "$@"
  ) >"build/steps/$name.log" 2>&1 &
  vantrel_step_pid[$name]=$!
}

step_join() {
  local name=$1 status ended errexit=${-//[^e]/}
  [ -n "${vantrel_step_pid[$name]:-}" ] || return 0
  set +e
  wait "${vantrel_step_pid[$name]}"
  status=$?
  [ -z "$errexit" ] || set -e
  unset "vantrel_step_pid[$name]"
  echo "=== $name (in the background):"
  cat "build/steps/$name.log"
  # Its own time, not the time until it was waited for.
  ended=$(cat "build/steps/$name.end" 2>/dev/null || date +%s)
  vantrel_step_record "$name" "$status" $((ended - vantrel_step_began[$name])) \
    " (in the background; done $(($(date +%s) - ended)) s before it was needed)"
}

steps_summary() {
  local i name cpu passed=0 failed=0
  echo
  echo "Summary ($(($(date +%s) - vantrel_steps_started)) s in all):"
  for i in "${!vantrel_step_names[@]}"; do
    name=${vantrel_step_names[$i]}
    cpu=$(cat "build/steps/$name.cpu" 2>/dev/null || echo -)
    printf '  %-16s %5d s  %5s s CPU  %s\n' "$name" "${vantrel_step_seconds[$i]}" "$cpu" \
      "${vantrel_step_outcome[$name]}"
    if [ "${vantrel_step_outcome[$name]}" = passed ]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
    fi
  done
  # Every start the suites tried again, with the step that said so.
  grep -H '^Wine start-up retries: ' build/steps/*.log 2>/dev/null |
    sed 's|^build/steps/\([^.]*\)\.log:\(.*\)|  \1: \2|' | sort -u
  echo "steps: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
