# shellcheck shell=bash
# Shell helpers for a private X session (Xvfb + openbox) and the processes
# started on it. Source this file; it defines functions only.
#
# Every process started with xs_spawn runs in a session of its own and is
# ended, with everything it started, by xs_stop_all (install it as an EXIT
# trap). Waiting is done by polling a condition until a deadline, never by
# sleeping a fixed time.

XS_PIDS=()

# xs_spawn LOGFILE COMMAND...: starts COMMAND in its own process group.
xs_spawn() {
  local log=$1
  shift
  setsid "$@" >>"$log" 2>&1 </dev/null &
  XS_PIDS+=("$!")
  XS_LAST_PID=$!
}

# xs_wait_for SECONDS COMMAND...: polls COMMAND until it succeeds; fails at the deadline.
xs_wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# xs_stop_all: ends every process group started with xs_spawn (TERM, then KILL).
xs_stop_all() {
  local pid
  for pid in "${XS_PIDS[@]}"; do kill -TERM -- "-$pid" 2>/dev/null || true; done
  for pid in "${XS_PIDS[@]}"; do
    xs_wait_for 5 xs_gone "$pid" || kill -KILL -- "-$pid" 2>/dev/null || true
  done
  XS_PIDS=()
}

xs_gone() { ! kill -0 -- "-$1" 2>/dev/null; }

_xs_display_ready() { [ -s "$1" ] && grep -q '^[0-9]' "$1"; }

# xs_start_xvfb WORKDIR [GEOMETRY]: starts Xvfb on a free display and exports DISPLAY.
xs_start_xvfb() {
  local workdir=$1 geometry=${2:-1440x900x24}
  local number_file="$workdir/display-number"
  : >"$number_file"
  # Xvfb writes the display number to fd 3 once it accepts clients.
  setsid Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset \
    3>"$number_file" >>"$workdir/xvfb.log" 2>&1 </dev/null &
  XS_PIDS+=("$!")
  xs_wait_for 15 _xs_display_ready "$number_file" || {
    echo "Xvfb did not start; see $workdir/xvfb.log" >&2
    return 1
  }
  DISPLAY=":$(head -n 1 "$number_file")"
  export DISPLAY
}

_xs_wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# xs_start_openbox WORKDIR: starts openbox and waits until it manages windows.
xs_start_openbox() {
  xs_spawn "$1/openbox.log" openbox --sm-disable
  xs_wait_for 15 _xs_wm_running || {
    echo "openbox did not start; see $1/openbox.log" >&2
    return 1
  }
}

_xs_active_is() { [ "$(xs_active_window)" = "$1" ]; }

# xs_wait_for_focus_on_new_windows WORKDIR PROGRAM...: openbox announces itself
# before it has finished starting, and a window mapped until then may never be
# managed or focused. Maps PROGRAM's window, again and again, until one gets
# the focus; then ends it.
xs_wait_for_focus_on_new_windows() {
  local workdir=$1 deadline=$((SECONDS + 15)) window
  shift
  while [ "$SECONDS" -lt "$deadline" ]; do
    xs_spawn "$workdir/probe.log" "$@"
    if xs_wait_for 2 _xs_has_managed_window "$XS_LAST_PID"; then
      window=$(xs_managed_window "$XS_LAST_PID")
      if xs_wait_for 2 _xs_active_is "$window"; then
        kill -TERM -- "-$XS_LAST_PID"
        return 0
      fi
    fi
    kill -TERM -- "-$XS_LAST_PID" 2>/dev/null || true
  done
  echo "openbox does not manage new windows; see $workdir/openbox.log" >&2
  return 1
}

# xs_managed_window PID: the managed window of PID (hex id), if any.
xs_managed_window() {
  wmctrl -lp 2>/dev/null | awk -v pid="$1" '$3 == pid { print $1; exit }'
}

_xs_has_managed_window() { [ -n "$(xs_managed_window "$1")" ]; }

# xs_wait_for_window PID: waits until the window manager manages PID's window.
xs_wait_for_window() { xs_wait_for 15 _xs_has_managed_window "$1"; }

# xs_active_window: the window manager's active window as 0x%08x, or nothing.
xs_active_window() {
  local id
  id=$(xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | awk '/window id/ { print $NF }')
  [ -n "$id" ] && printf '0x%08x\n' "$id"
}

# xs_client_geometry WINDOW: "X Y WIDTH HEIGHT" of the client area in root coordinates.
xs_client_geometry() {
  xwininfo -id "$1" 2>/dev/null | awk '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }'
}

# xs_pixel X Y: the colour the screen shows at a root pixel, as #RRGGBB.
xs_pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | awk 'NR == 2 { print $3 }'
}

# trayer's panel: the window the icons are embedded in.
_xs_trayer_window() {
  local window
  for window in $(xdotool search --classname '^panel$' 2>/dev/null); do
    xprop -id "$window" WM_CLASS 2>/dev/null | grep -q '"trayer"' && echo "$window" && return
  done
}
_xs_has_trayer_window() { [ -n "$(_xs_trayer_window)" ]; }

# xs_start_trayer WORKDIR [ALIGN]: starts trayer, a system tray, at the top
# (left, center or right; default right) and waits until its window is there.
xs_start_trayer() {
  xs_spawn "$1/trayer.log" trayer --edge top --align "${2:-right}" --widthtype request --height 24 \
    --SetDockType true --SetPartialStrut true --transparent false --tint 0x303030
  xs_wait_for 15 _xs_has_trayer_window || {
    echo "trayer did not start; see $1/trayer.log" >&2
    return 1
  }
}

# xs_tray_icons: "X Y WIDTH HEIGHT" (root coordinates) of each icon embedded in
# trayer, one a line.
xs_tray_icons() {
  local tray child
  tray=$(_xs_trayer_window)
  [ -n "$tray" ] || return 0
  for child in $(xwininfo -children -id "$tray" 2>/dev/null | awk '/^ +0x/ { print $1 }'); do
    xwininfo -id "$child" 2>/dev/null | awk '
      /Map State: IsViewable/ { viewable = 1 }
      /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
      /Width:/ { w = $NF } /Height:/ { h = $NF }
      END { if (viewable && w > 1) print x, y, w, h }'
  done
}

# xs_viewable_window_named NAME: a viewable window titled NAME (hex id), if any.
xs_viewable_window_named() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

_xs_socket_exists() { [ -S "$1" ]; }

# xs_start_session_bus WORKDIR: starts a private D-Bus session bus, as a desktop
# session gives each login, and exports DBUS_SESSION_BUS_ADDRESS and a private
# XDG_RUNTIME_DIR: nothing the programs start there outlives it, and nothing
# of the machine's own session reaches them.
xs_start_session_bus() {
  local socket="$1/bus"
  mkdir -p -m 700 "$1/runtime"
  xs_spawn "$1/dbus.log" dbus-daemon --session --nofork --nopidfile --address="unix:path=$socket"
  xs_wait_for 15 _xs_socket_exists "$socket" || {
    echo "the D-Bus session did not start; see $1/dbus.log" >&2
    return 1
  }
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$socket" XDG_RUNTIME_DIR="$1/runtime"
}

_xs_pid_gone() { ! kill -0 "$1" 2>/dev/null; }

# xs_end PID SECONDS: sends SIGTERM to PID, a child of this shell, and sets
# XS_END_STATUS to its exit status once it has ended, or to "timeout" (and
# kills it) when it is still there after SECONDS. It must run in this shell,
# not in a $(...) subshell: only the parent can collect a child's status.
xs_end() {
  kill -TERM "$1" 2>/dev/null || true
  if xs_wait_for "$2" _xs_pid_gone "$1"; then
    XS_END_STATUS=0
    wait "$1" 2>/dev/null || XS_END_STATUS=$?
  else
    kill -KILL "$1" 2>/dev/null || true
    XS_END_STATUS=timeout
  fi
}
