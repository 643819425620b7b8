#!/usr/bin/env bash
# Builds libjpeg-turbo, libpng and libtiff as static mingw-w64 x86_64 libraries from Debian's
# source packages, at the versions of the Linux development packages installed here, so that the
# Windows DLL and the Linux library write images with the same code. zlib comes prebuilt from
# libz-mingw-w64-dev. The result is cached outside the clone; a second run with the cache in
# place only checks the versions and returns.
#
# Layout: $OVILUX_MINGW_CACHE/<package>-<upstream version>_.../{include,lib,VERSIONS}, and the
# symbolic link $OVILUX_MINGW_CACHE/current to the newest of them, which the windows configuration
# reads. The cache is keyed by upstream versions: the archive may already offer a newer Debian
# revision of a source than the installed binary package, and either builds the same library.
set -euo pipefail

cache=${OVILUX_MINGW_CACHE:-/var/cache/ovilux/mingw-image-libs}
host=x86_64-w64-mingw32
jobs=2

# Source package of the Linux development package whose version the build follows.
declare -A source_of=([libjpeg-turbo]=libjpeg62-turbo-dev [libpng1.6]=libpng-dev [tiff]=libtiff-dev)
order=(libjpeg-turbo libpng1.6 tiff)

upstream() {  # upstream DEBIAN_VERSION: without epoch and Debian revision
  local v=${1#*:}
  echo "${v%-*}"
}

declare -A installed
key=""
for src in "${order[@]}"; do
  v=$(dpkg-query -W -f='${source:Version}' "${source_of[$src]}" 2>/dev/null || true)
  if [ -z "$v" ]; then
    echo "build-mingw-image-libs: ${source_of[$src]} is not installed; run scripts/install-deps.sh test" >&2
    exit 1
  fi
  installed[$src]=$v
  key+="${key:+_}$src-$(upstream "$v")"
done
prefix=$cache/$key

publish() {
  ln -sfn "$key" "$cache/current.new"
  mv -T "$cache/current.new" "$cache/current"
}

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
  [ "$(readlink "$cache/current" 2>/dev/null)" = "$key" ] || publish
  exit 0
fi

echo "== building the mingw-w64 image libraries into $prefix"
start=$SECONDS

# deb-src entries made from this machine's own archive configuration.
if ! apt-cache showsrc tiff 2>/dev/null | grep -q '^Package:'; then
  origin=/etc/apt/sources.list.d/debian.sources
  if [ ! -f "$origin" ]; then
    echo "build-mingw-image-libs: $origin is missing; cannot derive deb-src entries" >&2
    exit 1
  fi
  sed -E 's/^Types:[[:space:]]+deb[[:space:]]*$/Types: deb-src/' "$origin" > /etc/apt/sources.list.d/ovilux-deb-src.sources
  apt-get update -qq
fi

# Source revisions to try, best first: the installed binary package's own, then the other
# revisions of the same upstream version, newest first (a mirror may list one it cannot serve).
candidates() {  # candidates SOURCE
  local src=$1 want v
  want=$(upstream "${installed[$src]}")
  {
    echo "${installed[$src]}"
    for v in $(apt-cache showsrc "$src" | sed -n 's/^Version: //p'); do
      [ "$(upstream "$v")" = "$want" ] && echo "$v"
    done | sort -u | sort -r -V
  } | awk '!seen[$0]++'
}

work=$(mktemp -d "$cache/work.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/prefix
mkdir -p "$stage/include" "$stage/lib"

declare -A version
fetch() {  # fetch SOURCE: unpacks it, sets dir to its directory and version[SOURCE]
  local src=$1 v
  for v in $(candidates "$src"); do
    if (cd "$work" && apt-get source -qq "$src=$v" >"$work/$src.log" 2>&1); then
      version[$src]=$v
      dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$src-*" | head -1)
      return 0
    fi
  done
  cat "$work/$src.log" >&2
  echo "build-mingw-image-libs: no revision of $src $(upstream "${installed[$src]}") could be fetched" >&2
  return 1
}

configure() {  # configure SOURCE_DIR BUILD_DIR [cmake options...]
  local dir=$1 build=$2
  shift 2
  cmake -S "$dir" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=AMD64 \
    -DCMAKE_C_COMPILER=$host-gcc-posix -DCMAKE_CXX_COMPILER=$host-g++-posix -DCMAKE_RC_COMPILER=$host-windres \
    -DCMAKE_FIND_ROOT_PATH="/usr/$host" \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DCMAKE_INSTALL_PREFIX="$build-unused" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF "$@" >"$build.log" 2>&1 || {
    cat "$build.log" >&2
    return 1
  }
}

build_target() {  # build_target BUILD_DIR TARGET
  cmake --build "$1" --target "$2" -j "$jobs" >"$1.build.log" 2>&1 || {
    tail -50 "$1.build.log" >&2
    return 1
  }
}

# libjpeg-turbo: the static libjpeg with its SIMD code; no TurboJPEG, no tools, no tests.
fetch libjpeg-turbo
configure "$dir" "$work/jpeg" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
  -DWITH_JAVA=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm
build_target "$work/jpeg" jpeg-static
cp "$work/jpeg/libjpeg.a" "$stage/lib/"
cp "$dir/jpeglib.h" "$dir/jerror.h" "$dir/jmorecfg.h" "$work/jpeg/jconfig.h" "$stage/include/"

# libpng over the mingw-w64 zlib: the static library only.
fetch libpng1.6
configure "$dir" "$work/png" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="/usr/$host/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$host/include"
build_target "$work/png" png_static
cp "$work/png/libpng16.a" "$stage/lib/libpng16.a"
cp "$dir/png.h" "$dir/pngconf.h" "$work/png/pnglibconf.h" "$stage/include/"

# libtiff without any compression codec: the writers store uncompressed strips.
fetch tiff
configure "$dir" "$work/tiff" -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
  -Dtiff-deprecated=OFF -Dcxx=OFF -Dzlib=OFF -Dlibdeflate=OFF -Dpixarlog=OFF -Djpeg=OFF -Dold-jpeg=OFF \
  -Djpeg12=OFF -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF
build_target "$work/tiff" tiff
cp "$work/tiff/libtiff/libtiff.a" "$stage/lib/"
for header in tiff.h tiffio.h tiffvers.h tiffconf.h; do  # generated ones lie in the build tree
  if [ -f "$work/tiff/libtiff/$header" ]; then
    cp "$work/tiff/libtiff/$header" "$stage/include/"
  else
    cp "$dir/libtiff/$header" "$stage/include/"
  fi
done

for src in "${order[@]}"; do
  echo "$src ${version[$src]}" >> "$stage/VERSIONS"
done
touch "$stage/.complete"
rm -rf "$prefix"
mv "$stage" "$prefix"
publish
echo "== mingw-w64 image libraries built in $((SECONDS - start)) s"
