#!/usr/bin/env bash
# Without a display: starts the program on a virtual X display with a window
# manager, has it fetch the headers of a page that a local nginx serves, and
# photographs its window.
set -euo pipefail
program=$1
shot=$2
echo "No display found (DISPLAY and WAYLAND_DISPLAY are empty): starting Tobrell on a virtual X display (Xvfb)."

work=$(mktemp -d)
pids=()
stop() {
  # The program first, the X server after it.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; sleep 0.2; done
  rm -rf "$work"
}
trap stop EXIT

# A local page to look at, on a free port of 127.0.0.1.
port=$(shuf -i 20000-60000 -n 1)
mkdir -p "$work/site/docs" "$work/nginx"
printf '<!DOCTYPE html><title>Tobrell</title><p>Tobrell</p>\n' > "$work/site/docs/index.html"
cat > "$work/nginx/nginx.conf" <<EOF
daemon off; master_process off; pid nginx.pid; error_log error.log warn;
events { worker_connections 16; }
http {
  access_log off; types { text/html html; }
  client_body_temp_path temp; proxy_temp_path temp; fastcgi_temp_path temp; uwsgi_temp_path temp; scgi_temp_path temp;
  server { listen 127.0.0.1:$port; root $work/site; etag on; add_header Cache-Control "no-cache"; }
}
EOF
/usr/sbin/nginx -p "$work/nginx/" -c nginx.conf -e error.log &
pids+=($!)

# The program in a folder of its own, with settings that put the page's address in the URL box.
mkdir -p "$work/program"
cp "$program" "$work/program/tobrell"
cat > "$work/program/settei.ini" <<EOF
[Position]
Top=300
Left=300
[Check]
Ref=1
Clip=0
Rename=1
[String]
URL=http://127.0.0.1:$port/docs/index.html
EOF

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)

(cd "$work" && exec "$work/program/tobrell") &
pids+=($!)
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^Tobrell$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.1
done
sleep 1
# The URL box has the focus: Enter fetches the headers.
xdotool windowactivate --sync "$window" key Return
sleep 2
# The bare X screen is black around the window: trim it away.
import -window root -trim +repage "$shot"
echo "Tobrell ran on $display; screenshot of its window: $(realpath "$shot")"
