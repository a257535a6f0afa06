# The demo of scripts/run: its home folder, the simulator, and the unattended
# run without a display. Sourced by scripts/run after common.sh; uses ROOT,
# BUILD, KEEP and PROGRAM_ARGS.

DEMO_HOME="${TALLOWMERE_DEMO_HOME:-$HOME/.tallowmere-demo}"
DEMO_DATA="$DEMO_HOME/.local/share/Tallowmere"
DEMO_SETTINGS="$DEMO_HOME/.config/tallowmere-registry.json"
SIM_STATE="$DEMO_HOME/sim"
# The simulator's items, end times, bids, sign-ins and online-service accounts, kept for --keep.
SIM_STATE_FILE="$SIM_STATE/state.json"
# The demo snipe: item, and in an unattended run how long after the
# simulator's start its auction ends.
DEMO_ITEM=110000000001
UNATTENDED_ENDS_IN=60

demo_say() { printf '%s\n' "$*"; }

# The list, settings, browser data and the simulator's items of the last run
# go, so the demo starts as it did the first time; --keep keeps them. The
# simulator's certificates stay.
demo_prepare_home() {
  mkdir -p "$SIM_STATE"
  if [ "$KEEP" = 1 ]; then
    demo_say "Keeping the demo's list and settings and the simulator's items of the last run (--keep)."
  else
    rm -f "$SIM_STATE_FILE"
    rm -f "$DEMO_SETTINGS" "$DEMO_HOME/.config/autostart/tallowmere.desktop"
    rm -rf "$DEMO_DATA" "$DEMO_HOME/.config/Tallowmere"
  fi
  mkdir -p "$DEMO_DATA"
  [ -e "$DEMO_DATA/data6.dat" ] || cp "$ROOT/scripts/demo/data6.dat" "$DEMO_DATA/data6.dat"
}

# Starts tallowmere-sim on the ports of the last run where they are free (so
# that nothing the program stored, such as its browser's home page, points at
# a port no longer in use); otherwise on new ones, which then replace the old
# in the kept files.
demo_start_sim() {
  local ports_file="$SIM_STATE/ports" old_http="" old_https=""
  SIM_KEPT=0
  [ -s "$SIM_STATE_FILE" ] && SIM_KEPT=1
  [ -r "$ports_file" ] && read -r old_http old_https <"$ports_file" || true
  if ! sim_try_start "${old_http:-0}" "${old_https:-0}"; then
    if [ -n "$old_http" ]; then
      demo_say "The simulator's ports of the last run ($old_http, $old_https) are taken: using new ones."
      sim_try_start 0 0 || { demo_say "The simulator did not start:"; cat "$SIM_LOG"; exit 1; }
    else
      demo_say "The simulator did not start:"; cat "$SIM_LOG"; exit 1
    fi
  fi
  SIM_HTTP="$(sed -n 's/^http-port //p' "$SIM_LOG")"
  SIM_HTTPS="$(sed -n 's/^https-port //p' "$SIM_LOG")"
  SIM_URL="http://127.0.0.1:$SIM_HTTP"
  echo "$SIM_HTTP $SIM_HTTPS" >"$ports_file"
  if [ -n "$old_http" ] && [ "$old_http $old_https" != "$SIM_HTTP $SIM_HTTPS" ]; then
    replace_port "$old_http" "$SIM_HTTP"
    replace_port "$old_https" "$SIM_HTTPS"
  fi
  export TALLOWMERE_HOSTS="$(sed -n 's/^hosts-file //p' "$SIM_LOG")"
  export TALLOWMERE_CA="$(sed -n 's/^ca-file //p' "$SIM_LOG")"
  export TALLOWMERE_HOME="$DEMO_HOME"
}

sim_try_start() {
  SIM_LOG="$SIM_STATE/sim.log"
  # The scenario only when there is no state file to start from.
  "$BUILD/bin/tallowmere-sim" --state-dir "$SIM_STATE" --http-port "$1" --https-port "$2" \
    --scenario "$ROOT/scripts/demo/scenario.json" --state-file "$SIM_STATE_FILE" >"$SIM_LOG" 2>&1 &
  SIM_PID=$!
  for _ in $(seq 1 100); do
    grep -q '^ready' "$SIM_LOG" 2>/dev/null && return 0
    kill -0 "$SIM_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  kill "$SIM_PID" 2>/dev/null || true
  return 1
}

# The simulator's address with an old port, in the kept settings and data files.
replace_port() {
  local files=("$DEMO_SETTINGS" "$DEMO_DATA"/*.dat)
  for f in "${files[@]}"; do
    if [ -f "$f" ]; then sed -i "s#127\.0\.0\.1:$1\([^0-9]\|\$\)#127.0.0.1:$2\1#g" "$f"; fi
  done
}

# ---- The program and the copies its watchdog starts -------------------------

# The program, its watchdog (tallowmere-monitor) and any copy the watchdog
# starts again all carry this mark in their environment; the simulator lives
# until none of them is left, whoever started the last one.
DEMO_RUN_MARK="TALLOWMERE_DEMO_RUN=$$.$RANDOM"

demo_run_program() { env "$DEMO_RUN_MARK" "$BUILD/bin/tallowmere" "$@"; }

# Processes of this run: "pid name" lines for the program and its watchdog.
demo_processes() {
  local f pid exe
  for f in $(grep -lzxF "$DEMO_RUN_MARK" /proc/[0-9]*/environ 2>/dev/null || true); do
    pid="${f#/proc/}"; pid="${pid%/environ}"
    exe="$(readlink "/proc/$pid/exe" 2>/dev/null)" || continue
    exe="${exe% (deleted)}" # rebuilt while it runs
    case "${exe##*/}" in
      tallowmere|tallowmere-monitor) echo "$pid ${exe##*/}" ;;
    esac
  done
}

# The running copy of the program, if any.
demo_program_pid() { demo_processes | awk '$2 == "tallowmere" { print $1; exit }'; }

# After the program the user started has ended: while its watchdog started
# it again, the demo (and so the simulator) goes on until that copy ends.
# True when there was such a copy.
demo_follow_restarts() {
  local pid last="${1:-}" said=""
  while [ -n "$(demo_processes)" ]; do
    pid="$(demo_program_pid)"
    if [ -n "$pid" ] && [ "$pid" != "$last" ]; then
      demo_say "The watchdog started the program again (process $pid); the simulator stays until it ends."
      last="$pid"; said=1
    fi
    sleep 1
  done
  [ -n "$said" ] && demo_say "The program has ended."
}

demo_stop() {
  local pids
  pids="$(demo_processes | awk '$2 == "tallowmere" { print $1 }')"
  if [ -n "$pids" ]; then
    kill -TERM $pids 2>/dev/null || true
    for _ in $(seq 1 40); do [ -n "$(demo_program_pid)" ] || break; sleep 0.25; done
  fi
  pids="$(demo_processes | awk '{ print $1 }')"
  [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  if [ -n "${SIM_PID:-}" ]; then kill "$SIM_PID" 2>/dev/null || true; fi
}

# A virtual screen for the unattended run, on the first free display; it lives
# as long as the demo, so a copy the watchdog starts has a screen too.
start_virtual_screen() {
  local display_file="$SIM_STATE/display"
  rm -f "$display_file"
  Xvfb -displayfd 1 -screen 0 1280x900x24 -nolisten tcp >"$display_file" 2>"$SIM_STATE/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 1 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  [ -s "$display_file" ] || { demo_say "The virtual screen did not start: $SIM_STATE/xvfb.log"; exit 1; }
  export DISPLAY=":$(cat "$display_file")"
}

# ---- The unattended run ------------------------------------------------------

# A password as the program stores it (foundation/passwords.cpp, same table).
scramble() {
  printf '%s' "$1" | tr 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,?!' \
    'z5N!yO0x?P6w,Q1v R7u.S2tT8sU3rV9qW4pXoYnZmAlBkCjDiEhFgGfHeIdJcKbLaM'
}

# What the first-run wizard leaves: the account "demo" (the simulator takes any
# password), no start-up password prompt, a clean last exit. Kept settings keep
# their account; an unattended run can answer no question, so the first-run
# wizard and the unclean-exit question are kept away in them too.
write_unattended_settings() {
  mkdir -p "$(dirname "$DEMO_SETTINGS")"
  local current='{}'
  [ -s "$DEMO_SETTINGS" ] && current="$(cat "$DEMO_SETTINGS")"
  jq --arg pw "$(scramble demo)" '
    def text($v): {"data": $v, "type": 1};
    .HKEY_CURRENT_USER["Software\\VB and VBA Program Settings\\Tallowmere\\Settings"] |= (
      (. // {}) as $s
      | $s + {"1st Run": text("False"), "Exit OK": text("1"), "Login": text("QXR")}
      + (if ($s.Username.data // "") == ""
         then {"Username": text("demo"), "Password": text($pw), "Active User": text("demo")}
         else {} end))
  ' <<<"$current" >"$DEMO_SETTINGS.new"
  mv "$DEMO_SETTINGS.new" "$DEMO_SETTINGS"
}

sim_item() { curl -sf "$SIM_URL/_sim/items/$DEMO_ITEM"; }

# The demo snipe's row in the program's list: time left, won, state.
list_row() {
  grep -a "^\"$DEMO_ITEM\"" "$DEMO_DATA/data6.dat" 2>/dev/null | tr -d '\r' |
    awk -F'","' '{ print $3 "|" $15 "|" $17 }' | sed 's/"$//' || true
}

# Prints the bid log's entries written since the last call, oldest first.
# The program writes the log newest first and rewrites it whole with each
# entry, dropping the oldest past its size limit: each call reads the file
# once, and the new entries are those above the newest ones seen before.
BID_LOG_TOP=""
print_new_bid_log() {
  local log="$DEMO_DATA/logbids.txt" now
  [ -f "$log" ] || return 0
  now="$(tr -d '\r' <"$log" | grep -a . || true)"
  [ -n "$now" ] || return 0
  new_bid_log_entries "$BID_LOG_TOP" "$now" | tac | sed 's/^/  bid log: /'
  BID_LOG_TOP="$(head -n 5 <<<"$now")"
}

# The lines of $2 above where the lines of $1 stand together (both newest
# first; the oldest of them may have been dropped from $2); every line when
# $1 is empty or no longer in $2.
new_bid_log_entries() {
  SEEN="$1" awk '
    BEGIN { seen = ENVIRON["SEEN"]; n = (seen == "") ? 0 : split(seen, top, "\n") }
    { line[NR] = $0 }
    END {
      first = NR
      for (at = 0; n > 0 && at < NR; at++) {
        same = 1
        for (i = 1; i <= n && at + i <= NR && same; i++) same = (line[at + i] == top[i])
        if (same) { first = at; break }
      }
      for (i = 1; i <= first; i++) print line[i]
    }' <<<"$2"
}

demo_unattended() {
  write_unattended_settings
  [ -f "$DEMO_DATA/logbids.txt" ] && BID_LOG_TOP="$(tr -d '\r' <"$DEMO_DATA/logbids.txt" | grep -a . | head -n 5 || true)"
  # A kept simulator keeps the auction's end; a fresh one ends it soon.
  [ "$SIM_KEPT" = 1 ] ||
    curl -sf -X POST "$SIM_URL/_sim/items/$DEMO_ITEM" -d "{\"endsIn\": $UNATTENDED_ENDS_IN}" >/dev/null
  local item title ends_in
  item="$(sim_item)"
  title="$(jq -r .title <<<"$item")"
  ends_in="$(jq -r '.endsIn | floor' <<<"$item")"
  demo_say "No display found: the unattended demo, on a virtual screen (Xvfb)."
  demo_say "The demo snipe: item $DEMO_ITEM \"$title\", maximum bid 120.00 as \"demo\";"
  if [ "$(jq -r .ended <<<"$item")" = true ]; then
    demo_say "its auction ended in an earlier run (kept with --keep, at $(jq -r .endTime <<<"$item"))."
  else
    demo_say "its auction ends in $ends_in s. The program bids in its last seconds."
  fi
  local kept_state
  kept_state="$(list_row | cut -d'|' -f3)"
  if [ "$kept_state" = "Bid complete" ]; then
    demo_say "The kept list's demo snipe is \"Bid complete\" from an earlier run: it will not bid again"
    demo_say "(scripts/run without --keep starts with a fresh list)."
  fi

  # Started as a user starts it, with its watchdog, which starts it again
  # should it stop responding.
  local program_log="$SIM_STATE/program.log"
  start_virtual_screen
  demo_run_program "${PROGRAM_ARGS[@]}" >"$program_log" 2>&1 &
  PROGRAM_PID=""
  for _ in $(seq 1 100); do
    PROGRAM_PID="$(demo_program_pid)"
    [ -n "$PROGRAM_PID" ] && break
    sleep 0.1
  done
  [ -n "$PROGRAM_PID" ] || { demo_say "The program did not start; its output: $program_log"; exit 1; }
  demo_say "Program started (process $PROGRAM_PID; its output goes to $program_log)."

  local deadline=$((SECONDS + ends_in + 90)) last_state="" last_report=$SECONDS
  local ended="false" ended_at=0 row state left running
  while [ "$SECONDS" -lt "$deadline" ]; do
    running="$(demo_program_pid)"
    if [ -n "$running" ] && [ "$running" != "$PROGRAM_PID" ]; then
      demo_say "  the watchdog started the program again (process $running)."
      PROGRAM_PID="$running"
    elif [ -z "$running" ] && [ -z "$(demo_processes)" ]; then
      print_new_bid_log
      demo_say "The program ended before the snipe was decided; its output: $program_log"
      exit 1
    fi
    print_new_bid_log
    row="$(list_row)"
    state="${row##*|}"; left="${row%%|*}"
    if [ -n "$state" ] && [ "$state" != "$last_state" ]; then
      demo_say "  the program's list: the snipe is \"$state\" (time left: $left)"
      last_state="$state"
    fi
    item="$(sim_item || true)"
    if [ "$ended" = false ] && [ "$(jq -r .ended <<<"$item")" = true ]; then
      ended=true; ended_at=$SECONDS
      demo_say "  the auction has ended at the simulator."
    elif [ "$ended" = false ] && [ $((SECONDS - last_report)) -ge 15 ]; then
      demo_say "  ... the auction ends in $(jq -r .endsIn <<<"$item") s"
      last_report=$SECONDS
    fi
    # Decided once the program's list shows the end too (or 45 s after it).
    if [ "$ended" = true ] && { [ "$left" = Ended ] || [ $((SECONDS - ended_at)) -ge 45 ]; }; then
      break
    fi
    sleep 0.5
  done
  print_new_bid_log

  local winner price won_field status=0
  winner="$(jq -r .winner <<<"$item")"
  price="$(LC_ALL=C printf '%s%.2f' "$(jq -r .currency <<<"$item")" "$(jq -r .price <<<"$item")")"
  won_field="$(list_row | cut -d'|' -f2)"
  if [ "$ended" != true ]; then
    demo_say "Result: UNDECIDED - the auction had not ended in time."
    status=1
  elif [ "${winner,,}" = demo ]; then
    demo_say "Result: WON - item $DEMO_ITEM went to demo at $price."
  else
    demo_say "Result: NOT WON - item $DEMO_ITEM went to ${winner:-nobody} at $price."
    status=1
  fi
  demo_say "        The program's list shows: time left \"${left:-?}\", won \"${won_field:-?}\", \"${last_state:-?}\"."

  demo_say "Ending the program (SIGTERM): it goes through its shut-down, asking no question."
  PROGRAM_PID="$(demo_program_pid)"
  [ -z "$PROGRAM_PID" ] || kill -TERM "$PROGRAM_PID" 2>/dev/null || true
  local waited=0
  while [ -n "$(demo_processes)" ] && [ "$waited" -lt 60 ]; do sleep 0.5; waited=$((waited + 1)); done
  if [ -n "$(demo_processes)" ]; then
    demo_say "The program did not end within 30 s of SIGTERM: killed."
    status=1
  else
    demo_say "The program has ended."
  fi
  return "$status"
}
