# Sourced by scripts/setup-machine: every apt step of the set-up, made to survive a package mirror
# in the middle of a sync. Such a mirror serves some lists at a size its index does not promise,
# and `apt-get update` then fails on them; a list that is missing can leave the other
# architecture's side of packages already installed from that suite unknown, so an install fails
# with "held broken packages". The release's own suite has the lists of both architectures.
# Needs `codename` (the release) and `fail`.
apt_pause=${TQ_APT_PAUSE:-15}  # seconds between tries of an update
apt_updated=0
apt_update_failed=0
apt_missing_lists=()

# Once a run: up to three tries, then on without the lists that could not be fetched, named.
apt_update() {
    [ $apt_updated = 1 ] && return 0
    local log attempt
    log=$(mktemp)
    for attempt in 1 2 3; do
        if apt-get update -q >"$log" 2>&1; then
            apt_update_failed=0
            cat "$log"
            break
        fi
        cat "$log"
        apt_update_failed=1
        mapfile -t apt_missing_lists < <(grep -oE 'Failed to fetch [^ ]+' "$log" | awk '{ print $4 }' | sort -u)
        if [ $attempt -lt 3 ]; then
            echo "apt-get update failed (try $attempt of 3); trying again in ${apt_pause}s"
            sleep "$apt_pause"
        fi
    done
    rm -f "$log"
    apt_updated=1
    if [ $apt_update_failed = 1 ]; then
        echo "apt-get update failed 3 times; going on without these package lists: $(apt_lists_said)"
    else
        apt_missing_lists=()
    fi
}

apt_lists_said() {
    if [ ${#apt_missing_lists[@]} -gt 0 ]; then echo "${apt_missing_lists[*]}"; else echo "(none named; see apt-get's output above)"; fi
}

# apt_install [-t SUITE] PACKAGE...: installs the packages, without recommended ones; with a
# suite, the packages come from it. Where lists are missing and the install fails, it is tried
# once more with every package from the release's own suite.
apt_install() {
    local suite=
    if [ "$1" = -t ]; then suite=$2; shift 2; fi
    local options=(-y -q --no-install-recommends)
    apt_update
    apt-get install "${options[@]}" ${suite:+-t "$suite"} "$@" && return 0
    [ $apt_update_failed = 1 ] || fail "apt-get could not install: $*"
    # A package asked for from another suite is still taken from there: package/suite.
    local named=("$@")
    [ -z "$suite" ] || named=("${@/%//$suite}")
    echo "the install failed while package lists are missing; trying once more with every package from $codename's own suite: -t $codename ${named[*]}"
    apt-get install "${options[@]}" -t "$codename" "${named[@]}" && return 0
    fail "apt-get could not install: $*; also not with -t $codename. Missing package lists: $(apt_lists_said)"
}
