#!/usr/bin/env bash
# Cross-builds the static Windows (i686) libraries the installer links:
# libcurl (HTTP only) and minizip from Debian's source packages, GoogleTest
# from /usr/src/googletest. Results go to third_party/win32 (ignored by git)
# and are reused when present.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix="$here/third_party/win32"
work="$here/third_party/src"
jobs=$(nproc)
mkdir -p "$prefix/lib" "$prefix/include" "$work"
toolchain="$here/cmake/mingw-i686.cmake"

common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix"
        -DCMAKE_CROSSCOMPILING_EMULATOR= -DLUMACAST_DEPS_BOOTSTRAP=ON)

fetch_source() {  # package [version] -> prints the unpacked directory
  local pkg=$1 ver=${2:-}
  local dir
  dir=$(find "$work" -maxdepth 1 -type d -name "$pkg-[0-9]*" | head -n 1)
  if [ -z "$dir" ]; then
    (cd "$work" && apt-get source -qq --download-only "$pkg${ver:+=$ver}" >/dev/null 2>&1 \
      && for dsc in "$pkg"_*.dsc; do dpkg-source -x "$dsc" >/dev/null 2>&1; done)
    dir=$(find "$work" -maxdepth 1 -type d -name "$pkg-[0-9]*" | head -n 1)
  fi
  [ -n "$dir" ] || { echo "build-win32-deps: could not get Debian source of $pkg" >&2; exit 1; }
  echo "$dir"
}

# The program only posts small reports over plain HTTP: everything else curl
# can do is left out, and each function gets its own section so the program's
# link drops what it never calls (the download is meant to stay near 1 MB).
# Bump the recipe when the options change, so an older build is replaced.
curl_recipe=2
if [ ! -f "$prefix/lib/libcurl.a" ] || [ "$(cat "$prefix/lib/libcurl.recipe" 2>/dev/null)" != "$curl_recipe" ]; then
  echo "build-win32-deps: libcurl"
  src=$(fetch_source curl)
  rm -rf "$work/curl-build"
  cmake -S "$src" -B "$work/curl-build" "${common[@]}" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DHTTP_ONLY=ON \
    -DCURL_ENABLE_SSL=OFF -DCURL_USE_OPENSSL=OFF -DCURL_USE_SCHANNEL=OFF -DCURL_USE_LIBPSL=OFF \
    -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DCURL_ZLIB=OFF -DENABLE_MANUAL=OFF \
    -DCURL_DISABLE_LDAP=ON -DENABLE_UNICODE=ON -DCURL_DISABLE_COOKIES=ON -DCURL_DISABLE_ALTSVC=ON \
    -DCURL_DISABLE_HSTS=ON -DENABLE_THREADED_RESOLVER=ON -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none \
    -DCURL_DISABLE_VERBOSE_STRINGS=ON -DCURL_DISABLE_MIME=ON -DCURL_DISABLE_NTLM=ON -DCURL_DISABLE_DOH=ON \
    -DCURL_DISABLE_NETRC=ON -DCURL_DISABLE_PROGRESS_METER=ON -DCURL_DISABLE_GETOPTIONS=ON \
    -DCURL_DISABLE_HTTP_AUTH=ON -DCURL_DISABLE_CRYPTO_AUTH=ON \
    -DCMAKE_C_FLAGS="-ffunction-sections -fdata-sections" \
    >"$work/curl-configure.log" 2>&1 || { tail -n 30 "$work/curl-configure.log"; exit 1; }
  cmake --build "$work/curl-build" -j "$jobs" >"$work/curl-build.log" 2>&1 || { tail -n 30 "$work/curl-build.log"; exit 1; }
  cmake --install "$work/curl-build" >/dev/null
  echo "$curl_recipe" >"$prefix/lib/libcurl.recipe"
fi

if [ ! -f "$prefix/lib/libminizip.a" ]; then
  echo "build-win32-deps: minizip"
  src=$(fetch_source zlib 1:1.2.13.dfsg-1)
  mz="$src/contrib/minizip"
  obj="$work/minizip-obj"; rm -rf "$obj"; mkdir -p "$obj"
  for f in unzip ioapi iowin32; do
    i686-w64-mingw32-gcc-posix -O2 -DNOCRYPT -DNOUNCRYPT -I"$mz" -c "$mz/$f.c" -o "$obj/$f.o"
  done
  i686-w64-mingw32-ar rcs "$prefix/lib/libminizip.a" "$obj"/*.o
  mkdir -p "$prefix/include/minizip"
  cp "$mz/unzip.h" "$mz/ioapi.h" "$mz/iowin32.h" "$prefix/include/minizip/"
fi

if [ ! -f "$prefix/lib/libgtest.a" ]; then
  echo "build-win32-deps: googletest"
  rm -rf "$work/gtest-build"
  cmake -S /usr/src/googletest -B "$work/gtest-build" "${common[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF >"$work/gtest.log" 2>&1 \
    || { tail -n 30 "$work/gtest.log"; exit 1; }
  cmake --build "$work/gtest-build" -j "$jobs" >>"$work/gtest.log" 2>&1 || { tail -n 30 "$work/gtest.log"; exit 1; }
  cmake --install "$work/gtest-build" >/dev/null
fi
