# Sourced by the end-to-end runs that install the Debian package. Installing a package changes
# the machine, so they run only in CI (CI=true, a scratch machine) or when asked
# (GLIMMER_TEST_PACKAGE=1), one at a time, and never over a Glimmer package already installed:
# otherwise the run says SKIP and ends. Sets `deb` (built from PACKAGE_BUILD_DIR) and defines
# install_package and remove_package.
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
for installed in glimmer glimmer-pcx; do
    if dpkg-query -W -f='${Status}' $installed 2>/dev/null | grep -q "install ok installed"; then
        echo "$package_run: SKIP: $installed is installed on this machine; the test does not replace it"
        exit 0
    fi
done
package_sudo=""
[ "$(id -u)" -ne 0 ] && package_sudo=sudo
deb=$("$(dirname "${BASH_SOURCE[0]}")/../../../scripts/package.sh" "${2:?package build dir}")
install_package() {
    $package_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
}
remove_package() {
    $package_sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq glimmer >/dev/null 2>&1 ||
        true
}
