# Sourced by the end-to-end runs that install the Debian package. Installing a package changes
# the machine, so they run only in CI (CI=true, a scratch machine) or when asked
# (GLIMMER_TEST_PACKAGE=1), one at a time, and never over a Glimmer package already installed:
# otherwise the run says SKIP and ends. Builds the packages (scripts/package.sh) into
# PACKAGE_BUILD_DIR, sets `debs` (the three binary packages, copied aside) and `changes`, and
# defines install_package and remove_package.
# Usage: source package.sh NAME PACKAGE_BUILD_DIR
package_run=${1:?run name}
if [ "${CI:-}" != true ] && [ "${GLIMMER_TEST_PACKAGE:-}" != 1 ]; then
    echo "$package_run: SKIP: installs a Debian package; runs in CI, or with GLIMMER_TEST_PACKAGE=1"
    exit 0
fi
# The machine has one package database and the runs share the package's build folder: one
# run at a time, the next waiting for it, so that none installs, builds or removes under
# another.
package_lock=/tmp/glimmer-package-runs.lock
(umask 0 && : >>"$package_lock") 2>/dev/null || true
exec {package_lock_fd}<"$package_lock"
flock -w 1800 "$package_lock_fd" || {
    echo "$package_run: another package run held $package_lock for 30 minutes" >&2
    exit 1
}
package_sudo=""
[ "$(id -u)" -ne 0 ] && package_sudo=sudo
# Copies of the package (below) that a killed run left: with the lock held, no run uses one.
$package_sudo rm -rf /tmp/glimmer-package.??????
# dpkg's own lock is taken by anything that installs, this lock or not (another developer's
# apt-get): wait for it rather than fail at once.
apt_get() {
    $package_sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"
}
# Set while a run has the package installed. A run ended before it could remove the package
# (killed, the machine stopped) leaves it, and the next run knows the package for its own.
package_mark=/var/tmp/glimmer-package-run.installed
# A run ended during apt-get (Ctrl+C, a time limit) leaves dpkg half-way, and every apt-get
# after it refuses to start until dpkg is told to finish. dpkg itself does not wait for its
# lock: asked again while another install holds it, for up to 10 minutes.
package_finish_dpkg() {
    local until=$((SECONDS + 600))
    [ -n "$(dpkg --audit 2>/dev/null)" ] || [ -n "$(ls -A /var/lib/dpkg/updates 2>/dev/null)" ] ||
        return 0
    echo "$package_run: finishing what dpkg was doing when a run was ended" >&2
    until $package_sudo dpkg --configure -a >/dev/null; do
        [ "$SECONDS" -lt "$until" ] || return 1
        sleep 1
    done
}
package_installed() { # NAME: true when dpkg holds anything of it but its name
    case $(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true) in
    "" | not-installed) return 1 ;;
    esac
}
# One package run at a time: a second one started meanwhile (the thumbnail and package runs
# side by side) took the first one's mark for a run that had died, and purged its package
# under it. The lock is held until the run's shell ends.
exec {package_lock}>>/var/tmp/glimmer-package-run.lock
flock -w 1800 "$package_lock" || {
    echo "$package_run: another package run held the machine for 30 minutes" >&2
    exit 1
}
package_names="glimmer glimmer-pcx glimmer-gdk-pixbuf"
if [ -e "$package_mark" ]; then
    echo "$package_run: removing the packages an earlier run left installed" >&2
    package_finish_dpkg || exit 1
    # The run may have ended before the install, or after the removal: then there are none.
    for p in $package_names; do
        if package_installed "$p"; then apt_get purge -y -qq "$p" >/dev/null || exit 1; fi
    done
    $package_sudo rm -f "$package_mark"
fi
for installed in $package_names; do
    case $(dpkg-query -W -f='${db:Status-Status}' $installed 2>/dev/null || true) in
    "" | not-installed | config-files) ;;
    *)
        echo "$package_run: SKIP: $installed is installed on this machine; the test does not replace it"
        exit 0
        ;;
    esac
done
# Installed from copies of their own, readable by apt's sandbox user also when the checkout is
# in a folder only its owner may enter: packages built meanwhile in the build folder cannot
# change under the install.
package_dir=$(realpath -m "${2:?package build dir}")
mapfile -t built < <("$(dirname "${BASH_SOURCE[0]}")/../../../scripts/package.sh" "$package_dir")
[ ${#built[@]} -eq 3 ] || { echo "$package_run: package.sh made ${built[*]}" >&2; exit 1; }
package_copy=$(mktemp -d /tmp/glimmer-package.XXXXXX)
trap 'rm -rf "$package_copy"' EXIT # until the run sets its own, which calls remove_package
chmod 755 "$package_copy"
debs=()
for b in "${built[@]}"; do
    cp "$b" "$package_copy/"
    debs+=("$package_copy/$(basename "$b")")
done
chmod 644 "${debs[@]}"
changes=("$package_dir"/glimmer_*.changes)
install_package() {
    $package_sudo touch "$package_mark"
    apt_get install -y -qq "${debs[@]}" >/dev/null
}
# Removes the packages and their copies. Fails, saying why, when they could not be removed;
# the mark then stays for the next run.
remove_package() {
    local out rc=0 p installed=()
    [ ! -e "$package_mark" ] || package_finish_dpkg || rc=1
    for p in $package_names; do package_installed "$p" && installed+=("$p"); done
    if [ ${#installed[@]} -gt 0 ]; then
        out=$(apt_get purge -y -qq "${installed[@]}" 2>&1) || {
            rc=$?
            echo "$package_run: apt-get purge ${installed[*]} failed: $out" >&2
        }
    fi
    [ "$rc" -ne 0 ] || $package_sudo rm -f "$package_mark"
    rm -rf "$package_copy"
    return "$rc"
}
