#!/bin/bash
# Fetches and unpacks the sources of the SSH library the SFTP upload is built on (libssh2) and of
# its cryptography (mbedTLS) from Debian's current stable release, with Debian's patches applied.
# The archive's addresses and signing key are this machine's own apt sources; apt checks the
# signatures. A private apt configuration is used: the system's own stays untouched.
#
# Usage: ssh-sources.sh <folder>; leaves <folder>/libssh2 and <folder>/mbedtls, and does
# nothing when both are there already.
set -euo pipefail

readonly RELEASE=trixie
readonly PACKAGES=(libssh2 mbedtls)
readonly SYSTEM_SOURCES=/etc/apt/sources.list.d/debian.sources

log() { echo "ssh-sources: $*"; }

dest=${1:?usage: ssh-sources.sh <folder>}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)

unpacked() {
  local package
  for package in "${PACKAGES[@]}"; do
    [[ -f $dest/$package/.unpacked ]] || return 1
  done
}

# The system's deb822 stanzas turned into source stanzas of $RELEASE: the main archive's and the
# security archive's addresses, each with the key the system trusts it with.
private_sources() {
  awk -v release="$RELEASE" '
    function flush() {
      if (uris != "") {
        print "Types: deb-src"
        print "URIs: " uris
        print "Suites: " (security ? release "-security" : release)
        print "Components: main"
        if (key != "") print "Signed-By: " key
        print ""
      }
      uris = ""; key = ""; security = 0
    }
    /^[[:space:]]*$/ { flush(); next }
    /^URIs:/ { uris = $2 }
    /^Suites:/ { security = ($0 ~ /-security/) }
    /^Signed-By:/ { key = $2 }
    END { flush() }
  ' "$SYSTEM_SOURCES"
}

main() {
  if unpacked; then
    return 0
  fi
  [[ -r $SYSTEM_SOURCES ]] || {
    log "no $SYSTEM_SOURCES to take the archive's address from"
    exit 1
  }
  local apt=$dest/apt
  rm -rf "$apt"
  mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/download"
  private_sources >"$apt/sources/$RELEASE.sources"
  grep -q '^URIs:' "$apt/sources/$RELEASE.sources" || {
    log "no archive address found in $SYSTEM_SOURCES"
    exit 1
  }
  local options=(-o "Dir::Etc::SourceParts=$apt/sources" -o Dir::Etc::SourceList=/dev/null
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root)
  log "reading the $RELEASE source lists"
  apt-get "${options[@]}" -qq update
  (cd "$apt/download" && apt-get "${options[@]}" -qq source --download-only "${PACKAGES[@]}")
  local package dsc
  for package in "${PACKAGES[@]}"; do
    dsc=$(ls "$apt/download/${package}_"*.dsc)
    rm -rf "${dest:?}/$package"
    dpkg-source --no-check -x "$dsc" "$dest/$package" >/dev/null
    basename "$dsc" .dsc | sed 's/_/ /' >"$dest/$package/.unpacked"
    log "$(cat "$dest/$package/.unpacked")"
  done
  rm -rf "$apt"
}

main "$@"
