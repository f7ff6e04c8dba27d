#!/usr/bin/env bash
# Installs everything CourseShell needs to build and test on Debian 12, as root, and builds the
# third-party libraries for the Windows target into a cache outside the repository. Safe to rerun:
# each step is skipped when its result is already there.
set -euo pipefail

DEPS="${COURSESHELL_DEPS:-$HOME/.cache/courseshell}"
export DEBIAN_FRONTEND=noninteractive

packages=(
  cmake make g++ python3 dpkg-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386 wine64 xvfb x11-utils xdotool imagemagick fonts-wqy-microhei
  locales pulseaudio pulseaudio-utils sox googletest
  chromium haxe nodejs
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
need_src=0
[ -f "$DEPS/src/.pugixml" ] && [ -f "$DEPS/i686/lib/libcurl.a" ] && [ -f "$DEPS/src/httplib/httplib.h" ] \
  || need_src=1

if [ ${#missing[@]} -gt 0 ] || [ $need_src = 1 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
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

if [ ! -f "$DEPS/i686/lib/libcurl.a" ]; then
  rm -rf curl-*
  apt-get source -q curl
  cd curl-*/
  mkdir -p build-i686 && cd build-i686
  # Plain HTTP client only (Schannel for https); nothing that needs another library.
  ../configure -q --host=i686-w64-mingw32 CC=i686-w64-mingw32-gcc-posix \
    --prefix="$DEPS/i686" --disable-shared --enable-static --with-schannel \
    --without-zlib --without-brotli --without-zstd --without-libpsl --without-libidn2 \
    --without-nghttp2 --without-librtmp --without-libssh2 --disable-ldap --disable-ldaps \
    --disable-rtsp --disable-dict --disable-telnet --disable-tftp --disable-pop3 --disable-imap \
    --disable-smb --disable-smtp --disable-gopher --disable-mqtt --disable-ftp --disable-file \
    --disable-manual --disable-docs --enable-http --disable-ntlm --disable-alt-svc --disable-hsts
  make -s -j"$(nproc)" -C lib
  make -s -C lib install
  make -s -C include install
fi

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
