#!/bin/sh
# Installs the Debian packages named as arguments that are not installed yet.
set -e
missing=""
for package in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
as_root=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || { echo "Run as root (or install sudo) to install:$missing" >&2; exit 1; }
  as_root=sudo
fi
# Wait for another install to finish rather than fail on dpkg's lock.
wait_lock="-o DPkg::Lock::Timeout=600"
# The package lists' lock does not wait: try again while another update holds it.
for attempt in 1 2 3 4 5 6; do
  # shellcheck disable=SC2086
  $as_root apt-get $wait_lock update -qq && break
  [ "$attempt" -lt 6 ] && sleep 10
done
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $as_root apt-get $wait_lock install -y -qq --no-install-recommends $missing
