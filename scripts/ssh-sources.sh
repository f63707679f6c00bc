#!/bin/bash
# Fetches and unpacks the sources of the SSH library the SFTP upload is built on (libssh2) and of
# its cryptography (OpenSSL's libcrypto) from Debian's current stable release, with Debian's
# patches applied. Only the versions pinned in ssh-sources.pins (beside this script), each with
# the SHA-256 of its .dsc, are taken: a version the archive lists but nobody has checked is
# refused. The archive's addresses and signing key are this machine's own apt sources; apt checks
# the signatures. A private apt configuration is used: the system's own stays untouched.
#
# Usage: ssh-sources.sh <folder>; leaves <folder>/<package> for each pinned package, each with a
# file .unpacked naming "package version sha256". A tree whose .unpacked matches a pin is kept;
# any other is fetched anew.
set -euo pipefail

readonly RELEASE=trixie
readonly SYSTEM_SOURCES=/etc/apt/sources.list.d/debian.sources
readonly PINS=${PELLUCOR_SSH_PINS:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/ssh-sources.pins}

log() { echo "ssh-sources: $*"; }
fail() {
  log "$*" >&2
  exit 1
}

dest=${1:?usage: ssh-sources.sh <folder>}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)

# The pins: "package version sha256" lines; '#' starts a comment.
pin_lines() { sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$PINS" | awk '{ print $1, $2, $3 }'; }
packages() { pin_lines | awk '{ print $1 }' | sort -u; }
pinned_hash() { pin_lines | awk -v p="$1" -v v="$2" '$1 == p && $2 == v { print $3; exit }'; }
pinned_versions() { pin_lines | awk -v p="$1" '$1 == p { print $2 }'; }

unpacked() {  # package
  local stamp=$dest/$1/.unpacked package version hash
  [[ -f $stamp ]] || return 1
  read -r package version hash <"$stamp"
  [[ $package == "$1" && -n $hash && $(pinned_hash "$1" "$version") == "$hash" ]]
}

# Versions on standard input, newest first, by Debian's ordering.
newest_first() {
  local versions=() version i j
  mapfile -t versions
  for ((i = 1; i < ${#versions[@]}; i++)); do
    version=${versions[i]}
    for ((j = i - 1; j >= 0; j--)); do
      dpkg --compare-versions "${versions[j]}" ge "$version" && break
      versions[j + 1]=${versions[j]}
    done
    versions[j + 1]=$version
  done
  ((${#versions[@]} == 0)) || printf '%s\n' "${versions[@]}"
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

apt_ready=0
apt_options=()
prepare_apt() {
  ((apt_ready)) && return 0
  [[ -r $SYSTEM_SOURCES ]] || fail "no $SYSTEM_SOURCES to take the archive's address from"
  local apt=$dest/apt
  rm -rf "$apt"
  mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial"
  private_sources >"$apt/sources/$RELEASE.sources"
  grep -q '^URIs:' "$apt/sources/$RELEASE.sources" ||
    fail "no archive address found in $SYSTEM_SOURCES"
  apt_options=(-o "Dir::Etc::SourceParts=$apt/sources" -o Dir::Etc::SourceList=/dev/null
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root)
  log "reading the $RELEASE source lists"
  apt-get "${apt_options[@]}" -qq update ||
    fail "the $RELEASE source lists could not be read from the archive (see apt's lines above)"
  apt_ready=1
}

# Downloads one pinned version into a folder of its own and unpacks it; fails when the archive
# does not give it (a mirror may list versions whose files it no longer or not yet holds).
fetch_version() {  # package version hash
  local package=$1 version=$2 hash=$3 download=$dest/apt/download-$1
  rm -rf "$download"
  mkdir -p "$download"
  (cd "$download" && apt-get "${apt_options[@]}" -qq source --download-only "$package=$version") ||
    return 1
  local dsc actual
  dsc=$(ls "$download/${package}_"*.dsc)
  actual=$(sha256sum "$dsc" | awk '{ print $1 }')
  [[ $actual == "$hash" ]] ||
    fail "$package $version: the archive's .dsc has SHA-256 $actual, not the pinned $hash; refused"
  rm -rf "${dest:?}/$package"
  dpkg-source --no-check -x "$dsc" "$dest/$package" >/dev/null
  rm -f "$dest/${package}_"*.orig.tar.* # dpkg-source leaves a copy beside the tree
  echo "$package $version $hash" >"$dest/$package/.unpacked"
  rm -rf "$download"
  log "$package $version"
}

# The newest listed version that is pinned and can be fetched; others are tried newest first.
fetch() {  # package
  local package=$1 listed pinned version tried=0
  listed=$(apt-cache "${apt_options[@]}" showsrc --only-source "$package" 2>/dev/null |
    awk '/^Version:/ { print $2 }' | sort -u | newest_first || true)
  pinned=$(pinned_versions "$package" | paste -sd, | sed 's/,/, /g')
  [[ -n $listed ]] ||
    fail "$package: the $RELEASE source lists name no such package (if apt could read them at all)"
  while read -r version; do
    if [[ -z $(pinned_hash "$package" "$version") ]]; then
      ((tried)) || log "$package $version is listed but not pinned: not taken"
      continue
    fi
    tried=1
    fetch_version "$package" "$version" "$(pinned_hash "$package" "$version")" && return 0
    log "$package $version could not be fetched; trying an older pinned version"
  done <<<"$listed"
  if ((tried)); then
    fail "$package: no pinned version could be fetched (pinned: $pinned)"
  fi
  fail "$package: the archive lists $(paste -sd, <<<"$listed" | sed 's/,/, /g'); $PINS pins" \
    "${pinned:-none}: check a listed version and pin it with the SHA-256 of its .dsc"
}

main() {
  [[ -r $PINS ]] || fail "no pins file $PINS"
  trap 'rm -rf "$dest/apt"' EXIT
  local package
  for package in $(packages); do
    unpacked "$package" && continue
    prepare_apt
    fetch "$package"
  done
}

main "$@"
