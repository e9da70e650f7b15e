#!/usr/bin/env bash
# The game in a browser: WebAssembly built with Debian's emscripten.
#
# Usage: scripts/web.sh build   writes build-web/site/: index.html, morlo3.js,
#                               morlo3.wasm (with the page's font and the
#                               languages' texts), data.kpk and the licences
#        scripts/web.sh serve [PORT]
#                               serves build-web/site/ on http://localhost:PORT/
#                               (8080 unless given), compressed as a host does
#        scripts/web.sh dist    builds, then writes build-web/morlo3-web-VERSION.zip
#                               for game sites: the site, index.html at its root
#        scripts/web.sh test    builds, then plays the page in headless
#                               Chromium and checks it against the native game
#        scripts/web.sh bench   a frame's time in the page against the same
#                               frame native (figures only, no verdict)
#
# The libraries the game links are built from Debian's own source packages:
# emscripten's ports would download theirs, and there is no internet here.
# The sources come from `apt-get source` with a private source list and a
# private lists folder under build-web/apt, so the machine's own apt setup is
# left as it is. The libraries are built once for the machine, outside the
# clone, into ${XDG_CACHE_HOME:-~/.cache}/morlo3-web/libs/KEY, where KEY stands
# for the source package versions, the recipes below and the compiler; a new
# clone, or a second build, rebuilds only the game. To take newer Debian
# versions, remove build-web/sources.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
web=$root/build-web

# The source packages of the page's libraries; their switches are in
# build_library.
source_packages=(zlib libdeflate libpng1.6 libjpeg-turbo freetype libsdl2 libsdl2-mixer libsdl2-ttf cli11)
# Only an absolute XDG_CACHE_HOME counts, as the XDG rules say.
case ${XDG_CACHE_HOME:-} in
  /*) cache=$XDG_CACHE_HOME/morlo3-web ;;
  *) cache=$HOME/.cache/morlo3-web ;;
esac

# Debian's emscripten runs its JS tools with the system node; NodeSource's
# node does not look in Debian's module folder, where acorn lives.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

die() {
  echo "web.sh: $*" >&2
  exit 1
}

# Names every missing Debian package at once and stops; as root, installs
# them (scripts/deps.sh). `chromium` is needed only for the tests.
need_packages() {
  "$root/scripts/deps.sh" emscripten dpkg-dev xz-utils bzip2 python3 fonts-liberation "$@"
  command -v emcc >/dev/null || die "emcc is missing: install the Debian package emscripten"
}

# ---- the sources ----

# apt reads only the private source list and keeps its lists in the private
# folder; it writes no package cache, and takes none of the machine's locks,
# so an installation running meanwhile is not in its way.
apt_options() {
  echo -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$web/apt/sources" \
    -o Dir::State::Lists="$web/apt/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= \
    -o APT::Sandbox::User="$(id -un)" -o Debug::NoLocking=1
}

# A private list of deb-src lines for the archive and suites apt already
# uses: the machine's deb822 entries with their type changed.
write_source_list() {
  mkdir -p "$web/apt/sources" "$web/apt/lists/partial"
  local out=$web/apt/sources/web.sources
  : >"$out"
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f" >>"$out"
    echo >>"$out"
  done
  if [ -f /etc/apt/sources.list ]; then
    # One-line entries become deb-src entries too.
    local list=$web/apt/sources/web.list
    grep -E '^deb ' /etc/apt/sources.list | sed -e 's/^deb /deb-src /' >"$list" || true
  fi
  [ -s "$out" ] || [ -s "$web/apt/sources/web.list" ] || die "no apt sources found in /etc/apt"
}

# Downloads each source package, newest version first; a version the mirror
# lists but no longer has is passed over for the next. The versions taken are
# written to build-web/sources/versions.txt.
fetch_sources() {
  local versions=$web/sources/versions.txt p
  if [ -s "$versions" ]; then
    local all=1
    for p in "${source_packages[@]}"; do
      awk -v p="$p" '$1 == p { found = 1 } END { exit !found }' "$versions" || all=0
    done
    [ $all = 1 ] && return 0
  fi
  write_source_list
  # shellcheck disable=SC2046
  apt-get -q $(apt_options) update >"$web/apt/update.log" 2>&1 || {
    cat "$web/apt/update.log" >&2
    die "apt-get update of the private source list failed"
  }
  mkdir -p "$web/sources"
  local list=$web/sources/versions.tmp
  : >"$list"
  local v got
  for p in "${source_packages[@]}"; do
    got=
    # shellcheck disable=SC2046
    for v in $(apt-cache $(apt_options) showsrc "$p" | sed -n 's/^Version: //p' | sort -ruV); do
      # shellcheck disable=SC2046
      if (cd "$web/sources" && apt-get -q $(apt_options) source --download-only "$p=$v" >/dev/null 2>&1); then
        got=$v
        break
      fi
    done
    [ -n "$got" ] || die "cannot download the source package $p"
    echo "$p $got" >>"$list"
  done
  mv "$list" "$versions"
}

# The .dsc file of a package at a version (the epoch is not in file names).
dsc_of() {
  local v=${2#*:}
  echo "$web/sources/${1}_${v}.dsc"
}

# ---- the libraries ----

# The text of the recipes stands for their switches: a changed switch is a
# new key, and the old libraries are not used.
libs_key() {
  { cat "$web/sources/versions.txt"; declare -f build_library emcmake_build; emcc --version | sed -n 1p; } |
    sha1sum | cut -c1-12
}

# Configures, builds and installs a CMake source with the switches given;
# `--target T` first builds only T and installs nothing.
emcmake_build() {
  local src=$1 bld=$2 target=
  shift 2
  if [ "${1:-}" = --target ]; then
    target=$2
    shift 2
  fi
  emcmake cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_C_FLAGS="-O2" "$@" >"$bld.configure.log" 2>&1 || {
    tail -40 "$bld.configure.log" >&2
    die "configuring $(basename "$src") failed"
  }
  cmake --build "$bld" -j "$(nproc)" ${target:+--target "$target"} >"$bld.build.log" 2>&1 || {
    tail -40 "$bld.build.log" >&2
    die "building $(basename "$src") failed"
  }
  [ -n "$target" ] || cmake --install "$bld" >>"$bld.build.log" 2>&1 || die "installing $(basename "$src") failed"
}

build_library() {
  local p=$1 v=$2 src=$work/$1 bld=$work/$1-build
  rm -rf "$src" "$bld"
  dpkg-source -q -x "$(dsc_of "$p" "$v")" "$src" >/dev/null 2>&1 || die "cannot unpack $p $v"
  case $p in
    zlib)
      # zlib's own configure knows emscripten; only the static library.
      (cd "$src" && emconfigure ./configure --static --prefix="$prefix" >"$bld.configure.log" 2>&1 &&
        emmake make -j"$(nproc)" install >"$bld.build.log" 2>&1) || die "building zlib failed (see $bld.build.log)"
      ;;
    libdeflate)
      (cd "$src" && emmake make -j"$(nproc)" CC=emcc AR=emar DISABLE_SHARED=1 PREFIX="$prefix" CFLAGS=-O2 \
        libdeflate.a >"$bld.build.log" 2>&1) || die "building libdeflate failed (see $bld.build.log)"
      mkdir -p "$prefix/lib" "$prefix/include"
      cp "$src/libdeflate.a" "$prefix/lib/"
      cp "$src/libdeflate.h" "$prefix/include/"
      ;;
    libpng1.6)
      emcmake_build "$src" "$bld" -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DZLIB_ROOT="$prefix"
      ;;
    libjpeg-turbo)
      # CMake's probe of type sizes misreads wasm objects: say them. Only the
      # library: its tools cannot be switched off, so its install is by hand.
      emcmake_build "$src" "$bld" --target jpeg-static -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
        -DHAVE_SIZE_T=TRUE -DSIZE_T=4 -DHAVE_UNSIGNED_LONG=TRUE -DUNSIGNED_LONG=4
      mkdir -p "$prefix/lib" "$prefix/include"
      cp "$bld/libjpeg.a" "$prefix/lib/"
      cp "$src/jpeglib.h" "$src/jerror.h" "$src/jmorecfg.h" "$bld/jconfig.h" "$prefix/include/"
      ;;
    freetype)
      # With zlib, as Debian builds it; the rest serves fonts the page does
      # not carry. FreeType's own copy of zlib would clash with the real one.
      emcmake_build "$src" "$bld" -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON \
        -DFT_DISABLE_PNG=ON -DFT_REQUIRE_ZLIB=ON -DZLIB_ROOT="$prefix"
      ;;
    libsdl2)
      # Video with its GLES2 renderer, sound, events, timers and gamepads;
      # none of the subsystems and drivers the game never calls.
      emcmake_build "$src" "$bld" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=ON \
        -DSDL2_DISABLE_UNINSTALL=ON -DSDL_CCACHE=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_POWER=OFF \
        -DSDL_SENSOR=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_FILESYSTEM=OFF -DSDL_OPENGL=OFF \
        -DSDL_DISKAUDIO=OFF -DSDL_DUMMYVIDEO=OFF -DSDL_OFFSCREEN=OFF
      ;;
    libsdl2-mixer)
      # WAV only: every sound of the game is a WAV file.
      emcmake_build "$src" "$bld" -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_WAVE=ON \
        -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MP3=OFF -DSDL2MIXER_MIDI=OFF \
        -DSDL2MIXER_VORBIS=OFF -DSDL2MIXER_CMD=OFF
      ;;
    libsdl2-ttf)
      emcmake_build "$src" "$bld" -DSDL2TTF_VENDORED=OFF -DSDL2TTF_SAMPLES=OFF -DSDL2TTF_HARFBUZZ=OFF
      ;;
    cli11)
      # Headers only: the flags of the command line.
      mkdir -p "$prefix/include"
      cp -r "$src/include/CLI" "$prefix/include/"
      ;;
    *) die "no recipe for $p" ;;
  esac
  # Each library's licence goes with the page (scripts/web.sh dist).
  mkdir -p "$prefix/licences"
  cp "$src/debian/copyright" "$prefix/licences/$p.copyright"
}

# Builds the source packages named, one after another, each at the version
# fetched.
build_chain() {
  local p v t
  for p in "$@"; do
    v=$(awk -v p="$p" '$1 == p { print $2 }' "$web/sources/versions.txt")
    t=$SECONDS
    build_library "$p" "$v"
    echo "web.sh: built $p $v in $((SECONDS - t)) s"
  done
}

build_libraries() {
  fetch_sources
  local key
  key=$(libs_key)
  prefix=$cache/libs/$key
  mkdir -p "$cache/libs"
  # Another clone building the same libraries meanwhile is waited for.
  exec 9>"$prefix.lock"
  flock 9
  if [ -f "$prefix/.complete" ]; then
    touch "$prefix/.complete"
    exec 9>&-
    return 0
  fi
  # Libraries no build has used for a month are gone.
  find "$cache/libs" -mindepth 2 -maxdepth 2 -name .complete -mtime +30 -printf '%h\n' | xargs -r rm -rf
  work=$cache/libs/$key-work
  rm -rf "$prefix" "$work"
  mkdir -p "$prefix" "$work"
  local start=$SECONDS
  # SDL's configuration is a long row of small checks, mostly on one core:
  # the libraries that do not need it are built beside it.
  local sdl chain1 chain2 failed=0
  build_chain libsdl2 &
  sdl=$!
  build_chain zlib libpng1.6 freetype &
  chain1=$!
  build_chain libdeflate libjpeg-turbo cli11 &
  chain2=$!
  wait "$sdl" || failed=1
  wait "$chain1" || failed=1
  wait "$chain2" || failed=1
  [ $failed = 0 ] || die "the libraries could not be built (see above)"
  build_chain libsdl2-mixer libsdl2-ttf
  cp "$web/sources/versions.txt" "$prefix/versions.txt"
  touch "$prefix/.complete"
  rm -rf "$work"
  exec 9>&-
  echo "web.sh: the libraries took $((SECONDS - start)) s, kept in $prefix"
}

# ---- the game ----

# data.kpk is drawn by the native data generator; the native game, with its
# catalogues, is also what the tests compare the page with. KESTREL_WEB_NATIVE
# names a native build folder to take them from (CI's, built by ./test.sh)
# instead of build-web/native.
native=$(realpath -m "${KESTREL_WEB_NATIVE:-$web/native}")
build_native() {
  if [ ! -f "$native/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_BUILD_TESTS=OFF \
      -DKESTREL_BUILD_BENCH=OFF >/dev/null
  fi
  cmake --build "$native" --target datagen_data morlo3 catalogues
}

build_game() {
  # The page's memory file system has the desktop's folders (/usr/share/...).
  emcmake cmake -S "$root" -B "$web/game" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_WEB_LIBS="$prefix" \
    -DCMAKE_INSTALL_PREFIX=/usr >"$web/game.configure.log" 2>&1 || {
    tail -40 "$web/game.configure.log" >&2
    die "configuring the game for the page failed"
  }
  cmake --build "$web/game" --target morlo3
}

build_site() {
  local site=$web/site f
  rm -rf "$site.new"
  mkdir -p "$site.new/licences"
  cp "$web/game/morlo3/morlo3.js" "$web/game/morlo3/morlo3.wasm" "$native/data.kpk" "$site.new/"
  # The page's bar counts each file as the browser reads it, whatever the
  # host's compression: it is told their sizes.
  local sizes=
  for f in morlo3.js morlo3.wasm data.kpk; do
    sizes+="${sizes:+, }\"$f\": $(stat -c %s "$site.new/$f")"
  done
  sed -e "s|<script type=\"application/json\" id=\"sizes\">{}</script>|<script type=\"application/json\" id=\"sizes\">{$sizes}</script>|" \
    "$root/web/index.html" >"$site.new/index.html"
  grep -q "\"data.kpk\": " "$site.new/index.html" || die "web/index.html lacks its place for the files' sizes"
  # The licences of all the page holds: the game's, the font's, the
  # compiler's runtime's and each library's, with the common licences they
  # refer to.
  cp "$root/packaging/copyright" "$site.new/licences/morlo3.copyright"
  cp /usr/share/doc/fonts-liberation/copyright "$site.new/licences/fonts-liberation.copyright"
  cp /usr/share/doc/emscripten/copyright "$site.new/licences/emscripten.copyright"
  cp "$prefix"/licences/*.copyright "$site.new/licences/"
  for f in $(grep -oh '/usr/share/common-licenses/[A-Za-z0-9.+-]*' "$site.new"/licences/*.copyright | sort -u); do
    [ -f "$f" ] && cp "$f" "$site.new/licences/"
  done
  rm -rf "$site"
  mv "$site.new" "$site"
  echo "web.sh: the page is in $site"
}

# The version of the release: the top CMakeLists.txt's project().
version() {
  sed -n 's/^project([A-Za-z0-9]* VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt"
}

# The zip a game site takes: the site's files at its root, in a fixed order
# and with fixed times, so that the same build gives the same zip.
build_zip() {
  local v
  v=$(version)
  [ -n "$v" ] || die "no version in project() of CMakeLists.txt"
  zip=$web/morlo3-web-$v.zip
  /usr/bin/python3 - "$web/site" "$zip" <<'PYTHON'
import os, sys, zipfile
site, out = sys.argv[1:3]
names = sorted(os.path.relpath(os.path.join(d, f), site) for d, _, fs in os.walk(site) for f in fs)
with zipfile.ZipFile(out + '.new', 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for name in names:
        info = zipfile.ZipInfo(name, (2026, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(os.path.join(site, name), 'rb') as f:
            z.writestr(info, f.read())
os.replace(out + '.new', out)
PYTHON
  echo "web.sh: the release for game sites is $zip ($(stat -c %s "$zip") bytes)"
}

build_all() {
  need_packages
  build_libraries
  build_native
  build_game
  build_site
}

# The page's download as a player gets it from `serve`, each file and all
# together.
report_size() {
  /usr/bin/python3 "$root/web/serve.py" --sizes "$web/site"
}

# What the browser proofs need beyond the build, named when missing.
need_browser() {
  need_packages chromium python3-websocket python3-pil
  [ -x /usr/bin/chromium ] || die "/usr/bin/chromium is missing: install the Debian package chromium"
}

cmd=${1:-}
case $cmd in
  build)
    build_all
    report_size
    ;;
  serve)
    port=${2:-8080}
    [ -f "$web/site/index.html" ] || die "no page yet: run scripts/web.sh build first"
    exec /usr/bin/python3 "$root/web/serve.py" "$web/site" "$port"
    ;;
  dist)
    build_all
    build_zip
    report_size
    ;;
  test)
    need_browser
    build_all
    build_zip
    /usr/bin/python3 "$root/tests/web/page_test.py" "$web/site" "$native" "$root" "$zip" "${@:2}"
    ;;
  bench)
    need_browser
    build_all
    report_size
    /usr/bin/python3 "$root/bench/web_frame.py" "$web/site" "$native" "$root" "${2:-3}"
    ;;
  *)
    sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
