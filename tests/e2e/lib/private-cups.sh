# shellcheck shell=bash
# Sourced by a run that prints: a CUPS scheduler of its own, run as the current user from a
# scratch folder and reached only through a unix socket there, with one printer, GlimmerPDF,
# its default, that writes each page to $cups_page. The machine's scheduler, its printers, its
# default printer and the user's CUPS settings are neither used nor changed: this shell and
# what it starts reach the private scheduler only (CUPS_SERVER, a scratch HOME). The scheduler
# ends and the folder goes when the script exits, before the EXIT trap set earlier runs.
# Sets cups_dir, cups_page and cups_log; cups_machine_unchanged says whether the machine's
# printing settings are still as they were, cups_log_tail shows the scheduler's last words.
# Usage: source private-cups.sh
set -euo pipefail

# The machine as the user sees it, for checking afterwards that it is unchanged: the variables
# a CUPS client reads, as they were before this file changed them.
cups_machine_env=()
for v in HOME XDG_CONFIG_HOME CUPS_SERVERROOT LPDEST PRINTER; do
    if [ -n "${!v+set}" ]; then cups_machine_env+=("$v=${!v}"); fi
done
cups_machine_home=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
cups_machine() {
    env -u CUPS_SERVER -u HOME -u XDG_CONFIG_HOME -u CUPS_SERVERROOT -u LPDEST -u PRINTER \
        "${cups_machine_env[@]}" timeout 30 "$@" 2>&1
}
# Errors count too: with no scheduler on the machine, the same error before and after is fine.
cups_machine_state() {
    echo "lpstat -d: $(cups_machine lpstat -d)"
    echo "lpstat -v: $(cups_machine lpstat -v)"
    echo "$cups_machine_home/PDF: $(ls -A "$cups_machine_home/PDF" 2>&1)"
}
cups_machine_before=$(cups_machine_state)
# Says how the machine changed, if it did.
cups_machine_unchanged() {
    local now
    now=$(cups_machine_state)
    [ "$now" = "$cups_machine_before" ] && return 0
    diff <(echo "$cups_machine_before") <(echo "$now") | sed 's/^/    /' || true
    return 1
}

# Under /tmp, whatever TMPDIR says: a unix socket path must stay short, and the AppArmor
# profile that Debian puts on cupsd lets it use the files it owns there.
cups_dir=$(mktemp -d /tmp/glimmer-cups.XXXXXXXX)
cups_log=$cups_dir/log/error_log
cups_page=$cups_dir/out/page.pdf
cups_socket=$cups_dir/run/cupsd.sock
mkdir -p "$cups_dir"/{spool/tmp,cache,state,log,out,home,client}
# cupsd opens its own folders to others (as root, its filters run as another user); the
# socket's folder stays private.
mkdir -m 700 "$cups_dir/run"
cups_pid=""

cups_stop() {
    if [ -n "$cups_pid" ]; then
        kill "$cups_pid" 2>/dev/null || true
        local end=$((SECONDS + 15))
        while kill -0 "$cups_pid" 2>/dev/null && [ "$SECONDS" -lt "$end" ]; do sleep 0.1; done
        if kill -0 "$cups_pid" 2>/dev/null; then kill -KILL "$cups_pid" 2>/dev/null || true; fi
        wait "$cups_pid" 2>/dev/null || true
        cups_pid=""
    fi
    rm -rf "$cups_dir"
}
# Runs before the EXIT trap already set (x-session's clean-up), keeping it.
cups_previous_exit=$(trap -p EXIT)
cups_previous_exit=${cups_previous_exit#"trap -- "}
cups_previous_exit=${cups_previous_exit%" EXIT"}
eval "cups_previous_exit=${cups_previous_exit:-''}"
# shellcheck disable=SC2064 # the earlier trap's text is wanted as it is now
trap "cups_stop; $cups_previous_exit" EXIT

# The last lines of the scheduler's log, for failure messages.
cups_log_tail() {
    echo "--- the private scheduler's error_log (last lines):"
    # The run's own polling adds a line per query; those say nothing.
    grep -v "Limiting Get-Jobs response" "$cups_log" 2>/dev/null | tail -n 25 || echo "(no log)"
    if [ -s "$cups_dir/log/cupsd.out" ]; then cat "$cups_dir/log/cupsd.out"; fi
}
cups_fail() {
    echo "${0##*/}: private CUPS: $*"
    cups_log_tail
    exit 1
}

# Only the socket: no port, no browsing, sharing or DNS-SD, no web interface. Whoever reaches
# the socket may administer this scheduler; the socket's folder is open to its owner alone.
cat >"$cups_dir/cupsd.conf" <<EOF
Listen $cups_socket
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
LogLevel info
MaxLogSize 0
ErrorPolicy stop-printer
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
EOF
# Every folder it writes is in the scratch folder; FileDevice allows the file: printer.
cat >"$cups_dir/cups-files.conf" <<EOF
FileDevice Yes
ServerRoot $cups_dir
StateDir $cups_dir/state
CacheDir $cups_dir/cache
RequestRoot $cups_dir/spool
TempDir $cups_dir/spool/tmp
Printcap $cups_dir/printcap
AccessLog $cups_dir/log/access_log
ErrorLog $cups_log
PageLog $cups_dir/log/page_log
EOF
# A PDF printer: the page goes to the file as the program sent it. gziptoany copies the
# document; a raw queue or a "-" filter runs nothing for a file: printer in CUPS 2.4, and the
# file stays empty.
cat >"$cups_dir/glimmer-pdf.ppd" <<'EOF'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "GLIMPDF.PPD"
*Manufacturer: "Glimmer"
*Product: "(Glimmer PDF file)"
*ModelName: "Glimmer PDF file"
*ShortNickName: "Glimmer PDF file"
*NickName: "Glimmer PDF file"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/pdf 0 gziptoany"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
EOF

# Clients reach only the private scheduler. LPDEST and PRINTER would override its default; the
# scratch HOME keeps the user's ~/.cups/lpoptions unread and unwritten, and an empty
# CUPS_SERVERROOT keeps the machine's client.conf and lpoptions out.
export CUPS_SERVER=$cups_socket
export HOME=$cups_dir/home
export XDG_CONFIG_HOME=$cups_dir/home/.config
export CUPS_SERVERROOT=$cups_dir/client
unset LPDEST PRINTER

# In the foreground of its own process, so its pid is ours to end; pdeathsig ends it even if
# this shell is killed outright. No system bus: it has nothing to tell the machine's services.
DBUS_SYSTEM_BUS_ADDRESS=unix:path=$cups_dir/run/no-bus \
    setpriv --pdeathsig TERM -- cupsd -f -c "$cups_dir/cupsd.conf" -s "$cups_dir/cups-files.conf" \
    >"$cups_dir/log/cupsd.out" 2>&1 &
cups_pid=$!
cups_up() {
    kill -0 "$cups_pid" 2>/dev/null || cups_fail "the scheduler ended while starting"
    [ "$(lpstat -r 2>&1)" = "scheduler is running" ]
}
cups_end=$((SECONDS + 20))
until cups_up; do
    [ "$SECONDS" -ge "$cups_end" ] && cups_fail "the scheduler does not answer on $cups_socket"
    sleep 0.1
done

lpadmin -p GlimmerPDF -E -v "file:$cups_page" -P "$cups_dir/glimmer-pdf.ppd" \
    2>"$cups_dir/log/lpadmin.out" ||
    cups_fail "no printer could be added: $(cat "$cups_dir/log/lpadmin.out")"
lpadmin -d GlimmerPDF 2>"$cups_dir/log/lpadmin.out" ||
    cups_fail "the printer could not be made the default: $(cat "$cups_dir/log/lpadmin.out")"
[ "$(lpstat -d 2>&1)" = "system default destination: GlimmerPDF" ] ||
    cups_fail "the default printer is not GlimmerPDF: $(lpstat -d 2>&1)"
