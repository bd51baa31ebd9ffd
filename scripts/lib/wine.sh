# Sourced by the project's shell scripts: where Wine's programs are, and the steps that the
# scripts running Wine share. fail names the script ($me when set, else its file name).
wine32=/usr/lib/wine/wine  # the 32-bit loader: 32-bit programs, also under WOW64
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

fail() { echo "${me:-${0##*/}}: $*" >&2; exit 1; }

# The Windows path (Z:\...) of a Unix path.
windows_path() { local path; path=$(realpath -m "$1"); echo "Z:${path//\//\\}"; }

# WINEPREFIX's server, kept running (for good with -p, SECONDS after its last client with
# -pSECONDS), detached from the caller's pipes and descriptors: a caller reading them would wait
# for it for ever.
start_server() { setsid "$wineserver" "${1:--p}" </dev/null >/dev/null 2>&1 3>&- & sleep 0.2; }

# Ends everything running in WINEPREFIX, until its server has gone (a minute at the most).
stop_prefix() { "$wineserver" -k 2>/dev/null || true; timeout 60 "$wineserver" -w 2>/dev/null || true; }

# use_graphics LOADER null|display: the graphics driver of WINEPREFIX's desktop, headless or the
# display's. The desktop takes it when it starts: the prefix is stopped for the next start.
use_graphics() {
    local change=(delete 'HKCU\Software\Wine\Drivers' /v Graphics /f)
    [ "$2" = display ] || change=(add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f)
    timeout -k 5 60 "$1" reg "${change[@]}" </dev/null >/dev/null 2>&1 3>&- || true
    stop_prefix
}

# planned PLAN FIELD: of the plan lines that the bundle runs on Windows, the field (1: the name,
# 2: the program), one a line.
planned() { awk -F '|' -v field="$2" '$5 == "-" { print $field }' "$1"; }
