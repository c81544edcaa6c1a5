# Sourced by scripts/run and scripts/screenshot: building Norvik and the simulator,
# starting the simulated HX-3420 and waiting on what its wire log shows.
# Expects to be sourced from the source tree's root with `set -euo pipefail`.

# build_norvik DIR TARGET...: installs what is missing, configures DIR and builds
# the targets. A new DIR builds Release; one already configured keeps its build
# type, so pointing NORVIK_BUILD_DIR at a debug build does not rebuild it all.
build_norvik() {
  local dir=$1; shift
  local type=()
  [ -f "$dir/CMakeCache.txt" ] || type=(-DCMAKE_BUILD_TYPE=Release)
  scripts/install-deps
  cmake -S . -B "$dir" -G Ninja "${type[@]}" -DNORVIK_GUI=ON -DNORVIK_TOOLS=ON >/dev/null
  cmake --build "$dir" -j"$(nproc)" --target "$@"
}

# wait_until SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds; fails
# once SECONDS have passed without, or at once when COMMAND returns 2 (what it
# waits for can no longer come).
wait_until() {
  local deadline=$((SECONDS + $1)) status; shift
  while :; do
    status=0
    "$@" || status=$?
    [ "$status" -eq 0 ] && return 0
    [ "$status" -ne 2 ] && [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# start_simulator BUILD WORK: starts norvik-gatesim from BUILD, its output and
# wire log in the scratch directory WORK, and waits until it serves its
# pseudo-terminal. Sets sim_pid, sim_slave (the terminal's path) and sim_log.
start_simulator() {
  local build=$1 work=$2
  sim_log=$work/wire.log
  "$build"/tools/gatesim/norvik-gatesim --log "$sim_log" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  # The simulator prints the path as its first line once the terminal is served.
  if ! wait_until 10 simulator_ready "$work/sim.out"; then
    echo "$0: norvik-gatesim did not start" >&2
    cat "$work/sim.err" >&2
    return 1
  fi
  read -r sim_slave <"$work/sim.out"
}

simulator_ready() {
  kill -0 "$sim_pid" 2>/dev/null || return 2
  [ -f "$1" ] && [ "$(wc -l <"$1")" -ge 1 ] || return 1
}

stop_simulator() {
  if [ -n "${sim_pid:-}" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}

# wire_log_shows ENTRY...: whether the wire log holds these entries in this order,
# with any others between them.
wire_log_shows() {
  kill -0 "$sim_pid" 2>/dev/null || return 2
  [ -f "$sim_log" ] || return 1
  # Through the environment: awk -v would read the log's \xHH escapes as bytes.
  WANTED=$(printf '%s\n' "$@") awk '
    BEGIN { n = split(ENVIRON["WANTED"], wanted, "\n"); i = 1 }
    i <= n && $0 == wanted[i] { i++ }
    END { exit (i <= n) }' "$sim_log" || return 1
}
