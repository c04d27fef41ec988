# Ending the processes a script started, within a bound. Source it.

# vantrel_stop PID [SECONDS]: ends the child PID with TERM and waits for it, at most SECONDS (10
# unless given), then KILLs it; says so when it had to. Returns 0 once the process is gone.
vantrel_stop() {
  local pid=$1 tries=$((${2:-10} * 10))
  kill -TERM "$pid" 2>/dev/null || return 0
  while kill -0 "$pid" 2>/dev/null; do
    tries=$((tries - 1))
    if [ "$tries" -le 0 ]; then
      echo "process $pid did not end within ${2:-10} s of TERM; killed" >&2
      kill -KILL "$pid" 2>/dev/null || true
      break
    fi
    sleep 0.1
  done
  wait "$pid" 2>/dev/null || true
}
