# A private CUPS server for tests, sourced by a test script:
#
#   source tests/print/cups.sh
#   cups_start            # a server of its own on a free localhost port
#   ...                   # CUPS_SERVER points at it; queues below
#   cups_stop             # also run on exit: cups_start puts it before
#                         # whatever EXIT trap the script has set
#
# Its configuration, spool, logs and output live in $CUPS_DIR (a new
# folder under /tmp); no system service or file is touched.  Queues, each
# with a PDF printer description (A4 by default, Letter on request) and a
# backend of its own that writes every job to $CUPS_DIR/out/QUEUE/job-N.out:
#   orvpdf    the server's default
#   orvother  a second one
# Helpers: cups_wait_job, cups_wait_next (a job's output, below),
# cups_pages FILE, cups_page_size FILE PAGE, cups_page_text FILE PAGE.
CUPS_QUEUES=(orvpdf orvother)
CUPS_PID=
declare -A CUPS_TAKEN=()  # QUEUE/N of the outputs handed out

# lpstat -r exits 0 either way: its words tell.
cups_running() { [ "$(LC_ALL=C lpstat -r 2>/dev/null)" = "scheduler is running" ]; }

cups_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

cups_write_config() {
  local d=$CUPS_DIR port=$1 group
  mkdir -p "$d"/{etc/ppd,bin/backend,spool,tmp,cache,state,log,out}
  # Filters run as lp: every folder on the way must be passable.
  chmod 755 "$d" "$d"/etc "$d"/etc/ppd "$d"/bin "$d"/bin/backend "$d"/out
  chmod 1777 "$d"/tmp
  local part
  for part in filter daemon cgi-bin driver monitor notifier; do
    [ -e /usr/lib/cups/$part ] && ln -s /usr/lib/cups/$part "$d/bin/$part"
  done
  group=$(id -gn)
  cat >"$d/etc/cups-files.conf" <<EOF
ServerRoot $d/etc
ServerBin $d/bin
RequestRoot $d/spool
TempDir $d/tmp
CacheDir $d/cache
StateDir $d/state
AccessLog $d/log/access_log
ErrorLog $d/log/error_log
PageLog $d/log/page_log
FileDevice Yes
SystemGroup root $([ "$group" = root ] || echo "$group")
EOF
  cat >"$d/etc/cupsd.conf" <<EOF
LogLevel debug
Listen localhost:$port
Browsing No
WebInterface No
DefaultAuthType None
MaxJobs 0
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
EOF
  # One file per job, complete before it has its name.  Mode 0700: the
  # scheduler runs it as root when it runs as root, so it may write here.
  cat >"$d/bin/backend/orvfile" <<'EOF'
#!/bin/sh
# orvfile:/FOLDER: each job into FOLDER/job-N.out.
[ $# -eq 0 ] && { echo 'file orvfile "Unknown" "Orvantide test output"'; exit 0; }
folder=${DEVICE_URI#orvfile:}
if [ -n "$6" ]; then cat "$6"; else cat; fi >"$folder/.job-$1.part" || exit 1
chmod 644 "$folder/.job-$1.part" && mv "$folder/.job-$1.part" "$folder/job-$1.out"
EOF
  chmod 700 "$d/bin/backend/orvfile"
  cat >"$d/etc/orvpdf.ppd" <<'EOF'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "ORVPDF.PPD"
*Manufacturer: "Orvantide"
*Product: "(Orvantide test PDF)"
*ModelName: "Orvantide test PDF"
*ShortNickName: "Orvantide test PDF"
*NickName: "Orvantide test PDF"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsManualCopies: True
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Page Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*PageSize Letter/Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*PageRegion Letter/Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 18 577 824"
*ImageableArea Letter/Letter: "18 18 594 774"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/Letter: "612 792"
*DefaultFont: Courier
*Font Courier: Standard "(002.004S)" Standard ROM
EOF
  chmod 644 "$d/etc/orvpdf.ppd"
}

cups_start() {
  local previous
  previous=$(trap -p EXIT | sed -e "s/^trap -- '//" -e "s/' EXIT\$//")
  trap "cups_stop; $previous" EXIT
  CUPS_DIR=$(mktemp -d /tmp/orv-cups.XXXXXX)
  local port attempt q
  for attempt in 1 2 3; do
    port=$(cups_free_port)
    rm -rf "${CUPS_DIR:?}"/*
    cups_write_config "$port"
    /usr/sbin/cupsd -f -c "$CUPS_DIR/etc/cupsd.conf" -s "$CUPS_DIR/etc/cups-files.conf" </dev/null \
      >"$CUPS_DIR/log/cupsd.out" 2>&1 &
    CUPS_PID=$!
    export CUPS_SERVER=localhost:$port
    unset LPDEST PRINTER
    for _ in $(seq 100); do
      cups_running && break
      kill -0 "$CUPS_PID" 2>/dev/null || break
      sleep 0.05
    done
    cups_running && break
    cups_stop_server  # the port was taken meanwhile, or it failed: once more
  done
  cups_running || { echo "cups: the private server did not start: $(cat "$CUPS_DIR/log/cupsd.out")" >&2; return 1; }
  for q in "${CUPS_QUEUES[@]}"; do
    mkdir -p "$CUPS_DIR/out/$q"
    chmod 777 "$CUPS_DIR/out/$q"
    # (lpadmin warns that printer descriptions are deprecated; said only on failure)
    lpadmin -p "$q" -E -v "orvfile:$CUPS_DIR/out/$q" -P "$CUPS_DIR/etc/orvpdf.ppd" \
      -o printer-error-policy=abort-job >"$CUPS_DIR/log/lpadmin" 2>&1 ||
      { echo "cups: no queue $q: $(cat "$CUPS_DIR/log/lpadmin")" >&2; return 1; }
  done
  lpadmin -d "${CUPS_QUEUES[0]}"
}

cups_stop_server() {
  [ -n "$CUPS_PID" ] || return 0
  kill "$CUPS_PID" 2>/dev/null
  wait "$CUPS_PID" 2>/dev/null
  CUPS_PID=
}

cups_stop() {
  cups_stop_server
  [ -n "${CUPS_DIR:-}" ] && rm -rf "$CUPS_DIR"
  CUPS_DIR=
}

# cups_wait_job QUEUE N: job N's output, once it is complete (up to 30 s),
# in $CUPS_OUTPUT; fails with the scheduler's last words otherwise.
# cups_wait_next QUEUE: the same for the queue's first output that was
# not handed out yet (jobs are numbered in order).  Not in $(...): they
# keep count of what they handed out.
cups_wait_job() {
  CUPS_OUTPUT=$CUPS_DIR/out/$1/job-$2.out
  for _ in $(seq 300); do
    [ -f "$CUPS_OUTPUT" ] && { CUPS_TAKEN[$1/$2]=1; return 0; }
    sleep 0.1
  done
  echo "cups: no output of job $2 on $1: $(grep -E "\[Job $2\]" "$CUPS_DIR/log/error_log" | tail -3)" >&2
  return 1
}
cups_wait_next() {
  local n
  for _ in $(seq 300); do
    for n in $(ls "$CUPS_DIR/out/$1" 2>/dev/null | sed -n 's/^job-\([0-9]*\)\.out$/\1/p' | sort -n); do
      [ -n "${CUPS_TAKEN[$1/$n]:-}" ] || { cups_wait_job "$1" "$n"; return; }
    done
    sleep 0.1
  done
  echo "cups: no new output on $1: $(tail -3 "$CUPS_DIR/log/error_log")" >&2
  return 1
}

cups_pages() { pdfinfo "$1" 2>/dev/null | awk '/^Pages:/ {print $2}'; }
# "595x842": the page's size in whole points.
cups_page_size() {
  pdfinfo -f "$2" -l "$2" "$1" 2>/dev/null |
    awk '/^Page +[0-9]+ size:/ {printf "%.0fx%.0f\n", $4, $6}'
}
cups_page_text() { pdftotext -layout -f "$2" -l "$2" "$1" - 2>/dev/null; }
