#!/usr/bin/env bash
# Prepares this machine for building and testing Equidiv. Idempotent and quiet when
# nothing is missing. Installs Debian packages (as root), builds libjpeg-turbo for MinGW
# from Debian's source package once, and prepares the private Wine prefix.
set -euo pipefail
source "$(dirname "$0")/common.sh"

PACKAGES=(
  cmake ninja-build g++ ccache pkg-config python3 dpkg-dev nasm
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev
  zlib1g-dev libjpeg62-turbo-dev libgtest-dev libgmock-dev googletest nlohmann-json3-dev
  clang libclang-rt-14-dev
  wine64 xvfb fonts-wine fonts-wqy-microhei imagemagick x11-utils xdotool
)

install_packages() {
  local missing=() pkg
  for pkg in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  [ "$(id -u)" = 0 ] || die "missing packages (${missing[*]}); run this script as root"
  log "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  local aptlog
  aptlog=$(mktemp)
  if ! { apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$aptlog" 2>&1; then
    cat "$aptlog" >&2
    rm -f "$aptlog"
    die "apt-get could not install ${missing[*]}"
  fi
  rm -f "$aptlog"
}

# deb-src entries are derived from the machine's own deb entries, in a private apt
# configuration under the build folder, so the system's sources are not touched.
APT_PRIVATE="$EQUIDIV_DEPS/apt"
private_apt() {
  apt-get -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$APT_PRIVATE/sources.list.d" \
          -o Dir::State::Lists="$APT_PRIVATE/lists" -o Dir::Cache="$APT_PRIVATE/cache" "$@"
}

write_source_entries() {
  mkdir -p "$APT_PRIVATE/sources.list.d" "$APT_PRIVATE/lists/partial" "$APT_PRIVATE/cache/archives/partial"
  local out="$APT_PRIVATE/sources.list.d/equidiv-src.list" file
  : >"$out"
  : >"$APT_PRIVATE/sources.list.d/equidiv-src.sources"
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "$file" >>"$out"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    # deb822 stanzas: every stanza of Types "deb" is repeated with Types "deb-src".
    awk '
      function flush() {
        if (isdeb && uris != "") {
          printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", uris, suites, comps
          if (signed != "") printf "Signed-By: %s\n", signed
          printf "\n"
        }
        isdeb = 0; uris = suites = comps = signed = ""
      }
      function value() { sub(/^[^:]*:[[:space:]]*/, ""); return $0 }
      /^[[:space:]]*$/ { flush(); next }
      /^Types:/      { isdeb = ($0 ~ /[[:space:]]deb([[:space:]]|$)/) }
      /^URIs:/       { uris = value() }
      /^Suites:/     { suites = value() }
      /^Components:/ { comps = value() }
      /^Signed-By:/  { signed = value() }
      END { flush() }' "$file" >>"$APT_PRIVATE/sources.list.d/equidiv-src.sources"
  done
}

LIBJPEG_PREFIX="$EQUIDIV_DEPS/mingw"
build_libjpeg_mingw() {
  [ -f "$LIBJPEG_PREFIX/lib/libjpeg.a" ] && return 0
  log "building libjpeg-turbo for MinGW from Debian's source package"
  write_source_entries
  private_apt update -qq >/dev/null
  local src="$EQUIDIV_DEPS/src"
  rm -rf "$src" && mkdir -p "$src"
  (cd "$src" && private_apt source -qq --download-only libjpeg-turbo >/dev/null 2>&1 &&
     dpkg-source --no-check -x ./*.dsc libjpeg-turbo >/dev/null)
  local build="$EQUIDIV_DEPS/libjpeg-build"
  rm -rf "$build"
  cmake -S "$src/libjpeg-turbo" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$EQUIDIV_ROOT/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$LIBJPEG_PREFIX" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -Wno-dev >/dev/null
  cmake --build "$build" --target install >/dev/null
  [ -f "$LIBJPEG_PREFIX/lib/libjpeg.a" ] || die "libjpeg-turbo for MinGW did not build"
  rm -rf "$build" "$src"
}

prepare_wine_prefix() {
  local stamp="$WINEPREFIX/.equidiv-ready"
  [ -f "$stamp" ] && return 0
  log "preparing the Wine prefix in $WINEPREFIX"
  trap equidiv_cleanup EXIT
  equidiv_ensure_display
  mkdir -p "$WINEPREFIX"
  "$WINE_BIN" wineboot -i >/dev/null 2>&1
  local reg="$EQUIDIV_DEPS/equidiv-wine.reg" face
  mkdir -p "$EQUIDIV_DEPS"
  {
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x768"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
    for face in "MS Sans Serif" "Microsoft Sans Serif" "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2"; do
      printf '"%s"="wqy-microhei.ttc,WenQuanYi Micro Hei"\r\n' "$face"
    done
  } >"$reg"
  "$WINE_BIN" regedit "$reg" >/dev/null 2>&1
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  "$WINESERVER_BIN" -w
  touch "$stamp"
}

install_packages
build_libjpeg_mingw
prepare_wine_prefix
