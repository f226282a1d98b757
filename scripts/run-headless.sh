#!/usr/bin/env bash
# Without a display: starts the program on a virtual X display with a window
# manager, has it fetch the headers of a page that a local nginx serves, and
# photographs its window. With a third argument, it then fetches the page
# again over https with HTTP/2 and photographs the diagnosis dialog of that
# answer into it. Exits non-zero when a photograph was not made.
set -euo pipefail
program=$1
shot=$2
dialog_shot=${3:-}
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
rm -f "$shot"

work=$(mktemp -d)
pids=()
stop() {
  # The program first, the X server after it.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop EXIT
fail() {
  echo "run-headless: $*" >&2
  exit 1
}
# Waits up to 10 s for a condition; gives up early when the process named
# by the second argument has ended.
await() {
  local condition=$1 pid=$2
  for _ in $(seq 100); do
    eval "$condition" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# A local page to look at, on a free port of 127.0.0.1.
port=$(shuf -i 20000-60000 -n 1)
mkdir -p "$work/site/docs" "$work/nginx"
printf '<!DOCTYPE html><title>Tobrell</title><p>Tobrell</p>\n' > "$work/site/docs/index.html"
# The dialog's page: over TLS on the next port, with a throw-away certificate
# that the program trusts through SSL_CERT_FILE.
tls_server=
if [ -n "$dialog_shot" ]; then
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=localhost \
    -addext subjectAltName=IP:127.0.0.1 -keyout "$work/nginx/server.key" -out "$work/nginx/server.pem" 2>/dev/null
  export SSL_CERT_FILE=$work/nginx/server.pem
  tls_server="server { listen 127.0.0.1:$((port + 1)) ssl http2; ssl_certificate server.pem;
    ssl_certificate_key server.key; root $work/site; etag on; add_header Cache-Control \"max-age=600\";
    add_header X-Content-Type-Options nosniff; add_header Set-Cookie \"sid=1; Secure; HttpOnly\"; }"
fi
cat > "$work/nginx/nginx.conf" <<EOF
daemon off; master_process off; pid nginx.pid; error_log error.log warn;
events { worker_connections 16; }
http {
  access_log access.log; types { text/html html; }
  client_body_temp_path temp; proxy_temp_path temp; fastcgi_temp_path temp; uwsgi_temp_path temp; scgi_temp_path temp;
  server { listen 127.0.0.1:$port; root $work/site; etag on; add_header Cache-Control "no-cache"; }
  $tls_server
}
EOF
/usr/sbin/nginx -p "$work/nginx/" -c nginx.conf -e error.log &
pids+=($!)
# nginx writes its pid file once it listens.
await '[ -s "$work/nginx/nginx.pid" ]' $! || fail "nginx did not start: $(cat "$work/nginx/error.log")"

# The program in a folder of its own, with every shared object it loads from
# beside itself (the window module), and settings that put the page's address
# in the URL box.
mkdir -p "$work/program"
cp "$program" "$work/program/tobrell"
shopt -s nullglob
objects=("$(dirname "$program")"/*.so)
shopt -u nullglob
[ ${#objects[@]} -gt 0 ] && cp "${objects[@]}" "$work/program/"
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
[Protocol]
HTTP2=True
EOF

# Xvfb takes a free display number and writes it down once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
await '[ -s "$work/display" ]' $! || fail "Xvfb did not start"
display=:$(cat "$work/display")
export DISPLAY=$display
# A window mapped before the window manager manages the screen is adopted
# but never shown: the program starts once openbox has announced itself on
# the root window.
openbox >/dev/null 2>&1 &
pids+=($!)
await 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' $! || fail "openbox did not start"

(cd "$work" && exec "$work/program/tobrell") &
pids+=($!)
window=
await 'window=$(xdotool search --onlyvisible --name "^Tobrell$" 2>/dev/null | head -n 1) && [ -n "$window" ]' $! \
  || fail "the window did not appear"
# The URL box has the focus: Enter fetches the headers.
xdotool windowactivate --sync "$window" key Return
await 'grep -q "HEAD /docs/index.html" "$work/nginx/access.log"' "${pids[-1]}" || fail "the window sent no request"
# The answer is shown a moment after the request: photograph the window once it stays the same.
previous=
await 'current=$(import -window "$window" rgb:- | md5sum) && [ "$current" = "$previous" ] || { previous=$current; false; }' \
  "${pids[-1]}" || fail "the window did not settle"
# The bare X screen is black around the window: trim it away.
import -window root -trim +repage "$shot"
[ -s "$shot" ] || fail "no screenshot was made"
echo "Tobrell ran on $display; screenshot of its window: $(realpath "$shot")"
[ -n "$dialog_shot" ] || exit 0

xdotool windowactivate --sync "$window" key ctrl+a type "https://127.0.0.1:$((port + 1))/docs/index.html"
xdotool key Return
await 'grep -q "HEAD /docs/index.html HTTP/2" "$work/nginx/access.log"' "${pids[-1]}" || fail "no request over HTTP/2"
# Once the answer is shown, the popup menu opens on the state line; its
# fourth item is "ヘッダの診断...".
previous=
await 'current=$(import -window "$window" rgb:- | md5sum) && [ "$current" = "$previous" ] || { previous=$current; false; }' \
  "${pids[-1]}" || fail "the window did not settle"
windows() { xdotool search --onlyvisible --pid "${pids[-1]}" 2>/dev/null | wc -l; }
before=$(windows)
xdotool mousemove --window "$window" 100 276 click 3
await '[ "$(windows)" -gt "$before" ]' "${pids[-1]}" || fail "the popup menu did not open"
xdotool key Down Down Down Down Return
dialog=
await 'dialog=$(xdotool search --onlyvisible --name "^ヘッダの診断$" 2>/dev/null | head -n 1) && [ -n "$dialog" ]' \
  "${pids[-1]}" || fail "the diagnosis dialog did not appear"
previous=
await 'current=$(import -window "$dialog" rgb:- | md5sum) && [ "$current" = "$previous" ] || { previous=$current; false; }' \
  "${pids[-1]}" || fail "the dialog did not settle"
import -window "$dialog" "$dialog_shot"
[ -s "$dialog_shot" ] || fail "no screenshot of the dialog was made"
echo "Screenshot of the diagnosis dialog: $(realpath "$dialog_shot")"
