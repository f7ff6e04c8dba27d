#!/usr/bin/env bash
# Installs everything CourseShell needs to build and test on Debian 12, as root, and builds the
# third-party libraries for the Windows target into a cache outside the repository. Safe to rerun:
# each step is skipped when its result is already there.
set -euo pipefail

DEPS="${COURSESHELL_DEPS:-$HOME/.cache/courseshell}"
export DEBIAN_FRONTEND=noninteractive
. "$(dirname "$0")/../tools/winebench/winearch.sh"

# Both Windows targets: the 32-bit release and the 64-bit build that runs the tests on machines
# without 32-bit code. The 32-bit Wine only where it can run: elsewhere its package scripts fail.
packages=(
  cmake make g++ python3 dpkg-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  mingw-w64-tools
  wine wine64 xvfb x11-utils xdotool imagemagick fonts-wqy-microhei openbox
  locales pulseaudio pulseaudio-utils sox googletest
  chromium haxe nodejs
  clang libclang-rt-14-dev
  openssl osslsigncode
)
wine32=()
if why=$(machine_runs_32bit); then
  wine32=(wine32:i386)
else
  echo "setup: no 32-bit Wine: $why"
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
missing32=()
for p in "${wine32[@]}"; do installed "$p" || missing32+=("$p"); done
need_src=0
[ -f "$DEPS/src/.pugixml" ] && [ -f "$DEPS/i686/lib/libcurl.a" ] && [ -f "$DEPS/x86_64/lib/libcurl.a" ] \
  && [ -f "$DEPS/src/httplib/httplib.h" ] || need_src=1

if [ ${#missing[@]} -gt 0 ] || [ ${#missing32[@]} -gt 0 ] || [ $need_src = 1 ]; then
  if [ ${#missing32[@]} -gt 0 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  fi
  # Source entries let apt fetch Debian's own pugixml and curl sources for the cross build.
  if [ ! -f /etc/apt/sources.list.d/courseshell-src.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/courseshell-src.sources
  fi
  # A mirror in the middle of a sync fails the update now and then; the lists it did fetch (or
  # older ones) still serve, and a package that cannot be had fails the install below loudly.
  updated=0
  for attempt in 1 2 3; do
    if apt-get update -q; then updated=1; break; fi
    sleep $((attempt * 10))
  done
  [ $updated = 1 ] || echo "setup: apt-get update failed three times; going on with the lists there are" >&2
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get install -y -q --no-install-recommends "${packages[@]}"
  fi
  # The 32-bit Wine is the one package set that a half-synced mirror can make uninstallable (the
  # i386 lists lag behind the amd64 ones). Without it the tests run on the 64-bit build.
  if [ ${#missing32[@]} -gt 0 ] && ! apt-get install -y -q --no-install-recommends "${wine32[@]}"; then
    echo "setup: the 32-bit Wine could not be installed; the Windows tests will run on the x86_64 build" >&2
  fi
fi

# Wine takes the ANSI code page from the locale: zh_CN gives code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

mkdir -p "$DEPS/src"
cd "$DEPS/src"
if [ ! -f .pugixml ]; then
  rm -rf pugixml-*
  apt-get source -q pugixml
  ln -sfn "$(ls -d pugixml-*/ | head -n 1)" pugixml
  touch .pugixml
fi

# libcurl for each Windows target, from one unpacked source tree.
build_curl() {
  local arch=$1
  [ -f "$DEPS/$arch/lib/libcurl.a" ] && return 0
  cd "$DEPS/src"
  if [ ! -f .curl ]; then
    rm -rf curl-* curl
    apt-get source -q curl
    ln -sfn "$(ls -d curl-*/ | head -n 1)" curl
    touch .curl
  fi
  rm -rf "curl/build-$arch"
  mkdir -p "curl/build-$arch"
  cd "curl/build-$arch"
  # Plain HTTP client only (Schannel for https); nothing that needs another library.
  ../configure -q --host="$arch-w64-mingw32" CC="$arch-w64-mingw32-gcc-posix" \
    --prefix="$DEPS/$arch" --disable-shared --enable-static --with-schannel \
    --without-zlib --without-brotli --without-zstd --without-libpsl --without-libidn2 \
    --without-nghttp2 --without-librtmp --without-libssh2 --disable-ldap --disable-ldaps \
    --disable-rtsp --disable-dict --disable-telnet --disable-tftp --disable-pop3 --disable-imap \
    --disable-smb --disable-smtp --disable-gopher --disable-mqtt --disable-ftp --disable-file \
    --disable-manual --disable-docs --enable-http --disable-ntlm --disable-alt-svc --disable-hsts
  make -s -j"$(nproc)" -C lib
  make -s -C lib install
  make -s -C include install
}
build_curl i686
build_curl x86_64

# The browser player's HTTP server: cpp-httplib is one header; Debian's -dev package holds only the
# declarations of its shared-library build, the source package has the whole header.
if [ ! -f "$DEPS/src/httplib/httplib.h" ]; then
  cd "$DEPS/src"
  rm -rf cpp-httplib-* httplib
  apt-get source -q cpp-httplib
  mkdir -p httplib
  cp "$(ls -d cpp-httplib-*/ | head -n 1)httplib.h" httplib/httplib.h
fi

# Ruffle's self-hosted web build, pinned; the release package and the browser tests use it.
RUFFLE_VERSION=0.6.0
if [ ! -f "$DEPS/ruffle/.version-$RUFFLE_VERSION" ]; then
  rm -rf "$DEPS/ruffle" "$DEPS/ruffle.tmp"
  mkdir -p "$DEPS/ruffle.tmp"
  (cd "$DEPS/ruffle.tmp" && npm pack -q "@ruffle-rs/ruffle@$RUFFLE_VERSION" >/dev/null \
     && tar xzf ruffle-rs-ruffle-*.tgz && rm ruffle-rs-ruffle-*.tgz)
  mv "$DEPS/ruffle.tmp/package" "$DEPS/ruffle"
  rm -rf "$DEPS/ruffle.tmp"
  touch "$DEPS/ruffle/.version-$RUFFLE_VERSION"
fi

# The browser tests drive Debian's chromium with puppeteer-core (no browser download of its own);
# it lives in the cache, not in the repository.
if [ ! -f "$DEPS/node/node_modules/puppeteer-core/package.json" ]; then
  mkdir -p "$DEPS/node"
  [ -f "$DEPS/node/package.json" ] || echo '{"private":true}' > "$DEPS/node/package.json"
  (cd "$DEPS/node" && npm install -q --no-audit --no-fund puppeteer-core@24 >/dev/null)
fi
echo "setup: dependencies ready in $DEPS"
