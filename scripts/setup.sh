#!/usr/bin/env bash
# Installs everything the build and the tests need, then cross-builds libpng and libjpeg for
# the 32-bit Windows target into build/deps/i686. Safe to run again: it only does what is missing.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$top/build/deps"
prefix="$deps/i686"

say() { printf 'setup: %s\n' "$*"; }
die() { printf 'setup: error: %s\n' "$*" >&2; exit 1; }

packages=(
  g++-mingw-w64-i686 libz-mingw-w64-dev         # target compilers and zlib
  wine wine32:i386 xvfb xauth xdotool           # running and looking at the program
  fonts-wqy-microhei fonts-wine                 # Chinese glyphs, Wine's caption buttons
  locales                                       # zh_CN.UTF-8: Wine's code page and file names
  imagemagick                                   # screenshots
  cmake make g++ googletest dpkg-dev               # native build, tests, source downloads
  clang libclang-rt-14-dev                      # fuzzing the image readers (scripts/fuzz.sh)
  midicsv sox                                   # reference MIDI reader, test sounds
  libpng-dev libjpeg-dev libstb-dev             # native picture decoders, their benchmark
)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

need_root() {
  [ "$(id -u)" -eq 0 ] || die "$1 needs root (run the command as root)"
}

enable_i386() {
  dpkg --print-foreign-architectures | grep -qx i386 && return 1
  need_root "adding the i386 architecture"
  say "adding the i386 architecture"
  dpkg --add-architecture i386
}

# apt-get source needs deb-src entries; Debian 12 keeps them in deb822 files.
enable_sources() {
  local f changed=1
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    if grep -q '^Types: deb$' "$f"; then
      need_root "enabling source packages"
      sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
      changed=0
    fi
  done
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list \
     && ! grep -q '^deb-src ' /etc/apt/sources.list; then
    need_root "enabling source packages"
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >> /etc/apt/sources.list
    changed=0
  fi
  return $changed
}

install_packages() {
  local refresh=0 missing
  enable_i386 && refresh=1
  enable_sources && refresh=1
  missing=$(missing_packages)
  if [ -n "$missing" ] || [ $refresh -eq 1 ]; then
    need_root "installing packages"
    say "updating the package lists"
    apt-get update -q >/dev/null || die "apt-get update failed: the package archive cannot be reached"
  fi
  if [ -n "$missing" ]; then
    say "installing:" $missing
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing >/dev/null \
      || die "apt-get install failed for: $missing"
  fi
}

# Fetches the original tarball of a Debian source package into $deps/src. The .dsc of a security
# update may be refused while the tarball itself arrived; the tarball is all we need.
fetch_source() {
  local pkg=$1 pattern=$2 tarball ver
  tarball=$(ls "$deps"/src/$pattern 2>/dev/null | head -n 1 || true)
  [ -n "$tarball" ] && { echo "$tarball"; return; }
  mkdir -p "$deps/src"
  say "downloading the source of $pkg" >&2
  (cd "$deps/src" && apt-get source --download-only -q "$pkg" >/dev/null 2>&1) || true
  tarball=$(ls "$deps"/src/$pattern 2>/dev/null | head -n 1 || true)
  if [ -z "$tarball" ]; then
    for ver in $(apt-cache showsrc "$pkg" 2>/dev/null | sed -n 's/^Version: //p'); do
      (cd "$deps/src" && apt-get source --download-only -q "$pkg=$ver" >/dev/null 2>&1) || true
      tarball=$(ls "$deps"/src/$pattern 2>/dev/null | head -n 1 || true)
      [ -n "$tarball" ] && break
    done
  fi
  [ -n "$tarball" ] || die "the source package $pkg could not be downloaded (refused or unreachable)"
  echo "$tarball"
}

# Built small, each function in a section of its own, so that the programs' linker keeps only
# what they call (Tavori.exe links both libraries).
small_flags="-Os -DNDEBUG -ffunction-sections -fdata-sections"
cross_build() {
  local name=$1 tarball=$2; shift 2
  local src="$deps/build/$name-src" bld="$deps/build/$name"
  rm -rf "$src" "$bld"
  mkdir -p "$src" "$bld"
  tar -xf "$tarball" -C "$src" --strip-components=1
  say "cross-building $name"
  cmake -S "$src" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_C_FLAGS_MINSIZEREL="$small_flags" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >"$bld.log" 2>&1 \
    && cmake --build "$bld" -j2 >>"$bld.log" 2>&1 \
    && cmake --install "$bld" >>"$bld.log" 2>&1 \
    || { tail -n 30 "$bld.log" >&2; die "cross-building $name failed (log: $bld.log)"; }
}

build_target_libraries() {
  if [ ! -f "$prefix/.jpeg-small-done" ]; then
    cross_build libjpeg "$(fetch_source libjpeg-turbo 'libjpeg-turbo_*.orig.tar.gz')" \
      -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
    touch "$prefix/.jpeg-small-done"
  fi
  if [ ! -f "$prefix/.png-small-done" ]; then
    cross_build libpng "$(fetch_source libpng1.6 'libpng1.6_*.orig.tar.*')" \
      -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF
    touch "$prefix/.png-small-done"
  fi
}

# Wine takes the Windows code page (936) from LC_ALL's name, but converts file names with the
# Linux locale's character set: without a generated zh_CN.UTF-8, Chinese file names fail.
generate_locale() {
  locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$' && return
  need_root "generating the zh_CN.UTF-8 locale"
  say "generating the zh_CN.UTF-8 locale"
  sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null || die "locale-gen failed"
}

# Said at once, in one line: on such a host the Windows build is still made, but nothing of it
# can run (scripts/run.sh refuses to start, scripts/test.sh skips the Windows tests).
check_host() {
  # shellcheck source=host32.sh
  . "$top/scripts/host32.sh"
  host32_check "$top/build/host32" || say "$HOST32_REASON"
}

install_packages
check_host
generate_locale
build_target_libraries
say "ready"
