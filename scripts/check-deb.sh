#!/usr/bin/env bash
# Checks the Debian package on a clean Debian 12 (bookworm): makes a minimal
# root with debootstrap, installs the package there with apt-get (which pulls
# in its dependencies), and runs the installed programs from another folder.
# Needs root, debootstrap and a Debian mirror; takes a few minutes, so CI does
# not run it.
#
#   scripts/check-deb.sh build-deb/layra_1.0_amd64.deb [ROOT]
#
# ROOT (default: a new folder under /tmp) is kept afterwards for a look; a
# ROOT that already holds a bookworm system is reused.
set -euo pipefail
deb=$(realpath "${1:?usage: scripts/check-deb.sh PACKAGE.deb [ROOT]}")
root=${2:-$(mktemp -d /tmp/layra-bookworm.XXXXXX)}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

command -v debootstrap >/dev/null || { echo "debootstrap is missing: apt-get install debootstrap"; exit 1; }
if [ ! -x "$root/usr/bin/apt-get" ]; then
  echo "== debootstrap bookworm into $root"
  debootstrap --variant=minbase bookworm "$root" "$mirror"
fi
mounted=()
cleanup() {
  # A process the check started may still be ending: detach lazily then.
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[$i]}" 2>/dev/null || umount --lazy "${mounted[$i]}"
  done
}
trap cleanup EXIT
for fs in proc sys dev; do
  if ! mountpoint -q "$root/$fs"; then
    mount --bind "/$fs" "$root/$fs"
    mounted+=("$root/$fs")
  fi
done
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
package=/tmp/$(basename "$deb")

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== apt-get install $package (man-db to read the manual pages)"
in_root apt-get update
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "$package" man-db

echo "== the installed programs, run from another folder"
in_root sh -euxc '
  mkdir -p /tmp/elsewhere && cd /tmp/elsewhere
  layra-cli --version
  layra --version
  examples=/usr/share/doc/layra/examples
  layra-cli invert "$examples/wenner.dat" --output-dir . --plot wenner.png | tail -n 2
  layra-cli forward "$examples/ip_model.mod" --plot ip.svg -o ip.dat >/dev/null
  test -s wenner.INV && test -s wenner.png && test -s ip.svg && test -s ip.dat
  # The Python module, with the system python3 and numpy.
  python3 -c "import layra; print(layra.__file__, layra.__version__)"
  python3 -c "import layra; print(layra.forward([100.0, 10.0], [5.0], [1.0, 10.0, 100.0]))"
  python3 -c "import layra, sys; print(layra.invert(sys.argv[1], engine=\"accurate\"))" "$examples/wenner.dat"
  # The manual page lists every command.
  { set +x; } 2>/dev/null
  page=$(MANWIDTH=100 man layra-cli)
  for command in read import invert model survey show forward; do
    printf "%s\n" "$page" | grep -q "layra-cli $command " || { echo "man: no $command"; exit 1; }
  done
  echo "man layra-cli lists every command"
  set -x
  man -w layra
  # The desktop program starts (offscreen) with a file and keeps running.
  status=0
  QT_QPA_PLATFORM=offscreen timeout 5 layra "$examples/wenner.dat" || status=$?
  test "$status" -eq 124
'
echo "== the package installs and runs on a clean Debian 12"
