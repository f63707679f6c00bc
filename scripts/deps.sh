#!/bin/bash
# Installs the Debian 12 packages the build and the tests need, and fetches the sources of the
# SFTP libraries (scripts/ssh-sources.sh); does nothing when all are present.
set -euo pipefail

readonly PACKAGES=(
  # build
  cmake ninja-build g++ make googletest libgtest-dev clang-format
  # unpacks the sources of the SFTP libraries with Debian's patches; OpenSSL's build runs on Perl
  dpkg-dev perl
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  # the Windows-side tests: 64-bit Wine only (wine32 cannot run where 32-bit ELF cannot)
  wine wine64
  # Wine only recommends these, and recommends are not installed (they would also pull in
  # wine32 wherever i386 is enabled): Wine's own fonts, without which dialog text falls back
  # to whatever fontconfig finds, with other metrics, and the X libraries winex11 loads at
  # run time
  fonts-wine libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 libxcomposite1
  libxfixes3 libxxf86vm1 libgnutls30
  # test harness: X server, COM port pairs, FTP server (and its TLS, certificates made per run),
  # dosdevices lock (chattr)
  xvfb xauth socat python3 python3-pyftpdlib python3-openssl openssl e2fsprogs
  # the SFTP server the harness runs on its own port and configuration (never the system's
  # service: see install_packages), and a second SFTP server built on other code than OpenSSH's
  openssh-server python3-paramiko
  # a second FTPS server, as hosts run it, likewise on a configuration of the harness's own
  vsftpd
  # the published page in a real browser: headless Chromium, and PDF tools to read its printout
  chromium poppler-utils
)

readonly ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
readonly POLICY=/usr/sbin/policy-rc.d

log() { echo "deps: $*"; }

# Packages not installed for this machine's architecture (nor arch-independent). One query
# for all; a bare `dpkg -s NAME` would also refuse names installed for several
# architectures, as X libraries are once wine32 is.
missing_packages() {
  local present package
  present=$(dpkg-query -W -f='${db:Status-Abbrev} ${Architecture} ${Package}\n' "${PACKAGES[@]}" \
    2>/dev/null | awk -v arch="$NATIVE_ARCH" '$1 == "ii" && ($2 == arch || $2 == "all") { print $3 }' ||
    true)
  for package in "${PACKAGES[@]}"; do
    grep -qxF "$package" <<<"$present" || echo "$package"
  done
}

# Runs a command quietly; shows its output only when it fails.
quietly() {
  local output
  output=$(mktemp)
  if ! "$@" >"$output" 2>&1; then
    tail -n 30 "$output" >&2
    rm -f "$output"
    log "FAILED: $*"
    exit 1
  fi
  rm -f "$output"
}

as_root() {
  if ((EUID == 0)); then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    log "need root to install packages"
    exit 1
  fi
}

# Installs the packages with no service started by the install (a policy-rc.d refusing every
# start, unless the machine has its own), and leaves the SSH and FTP servers it installed
# disabled, so that nothing listens on port 22 or 21 because of the tests, now or after the next
# boot.
install_packages() {
  local own_policy=0
  if [[ ! -e $POLICY ]]; then
    printf '#!/bin/sh\nexit 101\n' | as_root tee "$POLICY" >/dev/null
    as_root chmod 755 "$POLICY"
    own_policy=1
  fi
  local status=0
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "$@" >"$INSTALL_LOG" 2>&1 || status=$?
  ((own_policy)) && as_root rm -f "$POLICY"
  if ((status != 0)); then
    tail -n 30 "$INSTALL_LOG" >&2
    log "FAILED: apt-get install $*"
    exit 1
  fi
  if [[ " $* " == *" openssh-server "* ]] && command -v systemctl >/dev/null; then
    as_root systemctl disable --now ssh.service ssh.socket >/dev/null 2>&1 || true
  fi
  if [[ " $* " == *" vsftpd "* ]] && command -v systemctl >/dev/null; then
    as_root systemctl disable --now vsftpd.service >/dev/null 2>&1 || true
  fi
}

main() {
  NATIVE_ARCH=$(dpkg --print-architecture)
  local missing
  mapfile -t missing < <(missing_packages)
  if ((${#missing[@]} == 0)); then
    log "all ${#PACKAGES[@]} packages present"
  else
    log "missing: ${missing[*]}"
    log "apt-get update"
    quietly as_root apt-get update
    log "installing ${#missing[@]} packages"
    INSTALL_LOG=$(mktemp)
    install_packages "${missing[@]}"
    rm -f "$INSTALL_LOG"
    mapfile -t missing < <(missing_packages)
    if ((${#missing[@]} > 0)); then
      log "still missing after install: ${missing[*]}"
      exit 1
    fi
  fi
  "$ROOT/scripts/ssh-sources.sh" "${PELLUCOR_BUILD_DIR:-$ROOT/build}/ssh-src"
  local package
  for package in libssh2 openssl; do
    log "source: $(cut -d' ' -f1,2 "${PELLUCOR_BUILD_DIR:-$ROOT/build}/ssh-src/$package/.unpacked")"
  done
  log "done"
}

main "$@"
