# Shared by lab-up, lab-down and in-lab: where the lab's state lives and what it is called.
# Sourced, not run.

lab_script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The state folder: $WAYFAREL_LAB_DIR, else build/lab of this source tree.
lab_state_dir() {
  local dir=${WAYFAREL_LAB_DIR:-$lab_script_dir/../../build/lab}
  mkdir -p "$(dirname "$dir")"
  echo "$(cd "$(dirname "$dir")" && pwd)/$(basename "$dir")"
}

# Namespace names carry a tag derived from the state folder, so two build trees on one
# machine get two labs that never collide.
lab_tag() {
  printf '%s' "$1" | md5sum | cut -c1-6
}

lab_log() { echo "lab: $*" >&2; }

# Start time of a process (field 22 of its stat line), empty when it is gone. A pid is only
# trusted together with its start time, so a recycled pid is never signalled.
proc_start_time() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
  stat=${stat##*) }
  set -- $stat
  echo "${20}"
}

# True while a process runs; a zombie waiting for its parent to reap it counts as gone.
proc_alive() {
  local line
  read -r line <"/proc/$1/stat" 2>/dev/null || return 1
  line=${line##*) }
  [ "${line%% *}" != Z ]
}

# Every descendant of a process, read from /proc in one pass.
proc_descendants() {
  local stat line pid ppid
  local -A children=()
  for stat in /proc/[0-9]*/stat; do
    read -r line <"$stat" 2>/dev/null || continue
    pid=${line%% *}
    line=${line##*) }
    ppid=${line#* }; ppid=${ppid%% *}
    children[$ppid]+="$pid "
  done
  local queue=("$1") next=()
  while [ ${#queue[@]} -gt 0 ]; do
    next=()
    for pid in "${queue[@]}"; do
      for child in ${children[$pid]:-}; do echo "$child"; next+=("$child"); done
    done
    queue=("${next[@]}")
  done
}
