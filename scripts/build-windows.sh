#!/usr/bin/env bash
# Cross-builds the Windows programs korvane.exe and velloran.exe on Debian 12
# with mingw-w64 (posix threads), statically linked, and tests them under
# Wine. Usage:
#   scripts/build-windows.sh            build, run the whole test suite under Wine, make dist/windows
#   scripts/build-windows.sh --smoke    build, run the smoke subset only (the sample cycle end to
#                                       end, compared byte for byte with the Linux programs when
#                                       build/bin has them, the cycle tests, the PO cycle, the
#                                       bad-input matrix and the Windows file cases), make dist/windows
#   scripts/build-windows.sh --no-tests build and make dist/windows only
# Everything goes to build-windows/ (the Wine prefix too) and dist/windows/;
# the libraries built for Windows go to $KV_WINDOWS_DEPS_DIR when it is set.
# The machine's apt configuration is never changed: the source packages of
# PCRE2 and gettext (for libgettextpo) are fetched with a sources list and
# package lists of the script's own.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

tests=full
case "${1:-}" in
  "") ;;
  --smoke) tests=smoke ;;
  --no-tests) tests=none ;;
  *) echo "usage: $0 [--smoke|--no-tests]" >&2; exit 2 ;;
esac

out="$root/build-windows"
# PCRE2, libgettextpo and GoogleTest built for Windows. KV_WINDOWS_DEPS_DIR
# may name a folder outside the work tree that outlives a fresh clone (CI).
deps="${KV_WINDOWS_DEPS_DIR:-$out/deps}"
jobs=2                       # the machine is shared with other builds
pcre2_version="10.42-1"      # the PCRE2 source package of Debian 12
gettext_version="0.21-12"    # the gettext source package of Debian 12 (libgettextpo)
mkdir -p "$out" "$deps"
deps="$(cd "$deps" && pwd)"
prefix="$deps/prefix"

# --- packages --------------------------------------------------------------
bash "$root/scripts/install-deps.sh" --no-recommends \
  cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest dpkg-dev zip
wine="$(command -v wine64 || true)"
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
export WINEPREFIX="$out/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export KV_WINDOWS_DEPS="$prefix"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"

# --- source packages of Debian 12 ---------------------------------------------
# The source list names the same archive as the machine's own lists (deb-src
# entries of Debian's main suites), kept in build-windows/deps/apt with its
# own package lists and cache. The package lists are fetched once per run,
# and only when a source package is missing.
apt_opts=()
setup_source_lists() {
  local apt="$deps/apt" list="$deps/apt/sources.list"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d"
  : >"$list"
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk '$1 == "deb" { $1 = "deb-src"; print }' "$f" >>"$list"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # deb822 stanzas of binary packages become one-line deb-src entries.
    awk 'function flush() {
           if (types ~ /(^| )deb( |$)/ && uris != "" && enabled != "no") {
             n = split(uris, u, " "); m = split(suites, s, " ")
             for (i = 1; i <= n; i++) for (j = 1; j <= m; j++)
               print "deb-src" (key != "" ? " [signed-by=" key "]" : "") " " u[i] " " s[j] " " comps
           }
           types = uris = suites = comps = key = enabled = ""
         }
         /^[ \t]*$/ { flush(); next }
         /^#/ { next }
         /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
         /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
         /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
         /^Components:/ { sub(/^Components:[ \t]*/, ""); comps = $0 }
         /^Signed-By:/ { sub(/^Signed-By:[ \t]*/, ""); key = $0 }
         /^Enabled:/ { sub(/^Enabled:[ \t]*/, ""); enabled = $0 }
         END { flush() }' "$f" >>"$list"
  done
  grep -q . "$list" || { echo "no Debian archive found in the machine's apt sources" >&2; exit 1; }
  apt_opts=(-o "Dir::Etc::sourcelist=$list" -o "Dir::Etc::sourceparts=$apt/sources.list.d"
            -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
            -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
            -o "APT::Sandbox::User=root")
  apt-get "${apt_opts[@]}" update -qq
}

# fetch_source PACKAGE VERSION: unpacks the source package (with Debian's
# patches applied) into build-windows/deps/PACKAGE-src, unless that folder
# already holds this version.
fetch_source() {
  local pkg="$1" version="$2" dir="$deps/$1-src"
  [ "$(cat "$dir/VERSION" 2>/dev/null)" = "$version" ] && return 0
  [ ${#apt_opts[@]} -gt 0 ] || setup_source_lists
  echo "== fetching the $pkg source package ($version)"
  rm -rf "$dir" && mkdir -p "$dir"
  (cd "$dir" && apt-get "${apt_opts[@]}" source -qq "$pkg=$version" >/dev/null)
  echo "$version" >"$dir/VERSION"
}

# source_dir PACKAGE: the unpacked source tree of the package.
source_dir() {
  find "$deps/$1-src" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1
}

build_pcre2() {
  local src
  src="$(source_dir pcre2)"
  echo "== building PCRE2 $pcre2_version for Windows (static, JIT)"
  cmake -S "$src" -B "$deps/pcre2-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_STATIC_LIBS=ON -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF \
    -DPCRE2_SUPPORT_JIT=ON -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF \
    -DPCRE2_SUPPORT_LIBBZ2=OFF -DPCRE2_SUPPORT_LIBZ=OFF -DPCRE2_SUPPORT_LIBEDIT=OFF \
    -DPCRE2_SUPPORT_LIBREADLINE=OFF >/dev/null
  cmake --build "$deps/pcre2-build" -j"$jobs" --target install >/dev/null
}

# libgettextpo alone: gettext-tools is configured without NLS, shared
# libraries, Java, C#, OpenMP, ACLs and curses, and only its libgettextpo
# folder is built and installed. Debian's patches touch Makefile.am and
# configure.ac files; the autotools are not run again for them (the
# generated files of the release serve), hence the ":" for each tool.
build_gettextpo() {
  local src build="$deps/gettext-build"
  src="$(source_dir gettext)"
  echo "== building libgettextpo of gettext $gettext_version for Windows (static)"
  rm -rf "$build" && mkdir -p "$build"
  (cd "$build" &&
    nice "$src/gettext-tools/configure" --host=x86_64-w64-mingw32 \
      CC=x86_64-w64-mingw32-gcc-posix CFLAGS="-O2" --prefix="$prefix" \
      --disable-shared --enable-static --disable-nls --disable-java --disable-csharp \
      --disable-c++ --disable-openmp --disable-acl --disable-curses --disable-libasprintf \
      --enable-threads=windows --disable-dependency-tracking --without-emacs \
      --without-git --without-bzip2 --without-xz --with-included-libunistring \
      --with-included-libxml --without-libiconv-prefix --without-libintl-prefix \
      --without-libtextstyle-prefix --without-libxml2-prefix --without-libunistring-prefix \
      >configure.log 2>&1) ||
    { echo "configuring gettext-tools failed; see $build/configure.log" >&2; exit 1; }
  local noauto=(ACLOCAL=: AUTOMAKE=: AUTOCONF=: AUTOHEADER=:)
  nice make -C "$build/libgettextpo" -j"$jobs" "${noauto[@]}" >"$build/make.log" 2>&1 &&
    make -C "$build/libgettextpo" "${noauto[@]}" install >>"$build/make.log" 2>&1 ||
    { echo "building libgettextpo failed; see $build/make.log" >&2; exit 1; }
  rm -f "$prefix/lib/libgettextpo.la"
}

build_gtest() {
  echo "== building GoogleTest for Windows from /usr/src/googletest"
  cmake -S /usr/src/googletest -B "$deps/gtest-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF \
    -DBUILD_SHARED_LIBS=OFF -Dgtest_force_shared_crt=OFF >/dev/null
  cmake --build "$deps/gtest-build" -j"$jobs" --target install >/dev/null
}

fetch_source pcre2 "$pcre2_version"
[ -f "$prefix/lib/libpcre2-8.a" ] || build_pcre2
fetch_source gettext "$gettext_version"
[ -f "$prefix/lib/libgettextpo.a" ] || build_gettextpo
[ -f "$prefix/lib/libgtest.a" ] || build_gtest

# --- the programs and the tests ----------------------------------------------
echo "== building korvane.exe, velloran.exe and the tests"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$out/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DKV_BUILD_TESTS="$([ "$tests" = none ] && echo OFF || echo ON)" -DKV_BUILD_BENCH=OFF -DKV_SANITIZE=OFF \
  "${launcher[@]}" >/dev/null
# The smoke subset needs only the programs and the test programs it runs.
smoke_targets=(korvane velloran e2e_cycle_test e2e_po_cycle_test cli_badinput_korvane_test
               cli_badinput_velloran_test cli_windows_files_test)
if [ "$tests" = smoke ]; then
  cmake --build "$out/build" -j"$jobs" --target "${smoke_targets[@]}"
else
  cmake --build "$out/build" -j"$jobs"
fi
bin="$out/build/bin"

# No DLL may be needed besides the system's own.
for exe in "$bin/korvane.exe" "$bin/velloran.exe"; do
  dlls="$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }' |
          grep -v -E '^(kernel32|user32|advapi32|msvcrt|ucrtbase|ws2_32|shell32|ole32|bcrypt|ntdll|api-ms-win-.*)\.dll$' || true)"
  [ -z "$dlls" ] || { echo "$exe needs DLLs of its own: $dlls" >&2; exit 1; }
done

# --- tests under Wine --------------------------------------------------------
# The sample cycle of the README with the Windows programs; with the Linux
# programs at build/bin the recovered file and the replaced data file must be
# the same bytes as theirs.
sample_cycle() {
  local work
  work="$(mktemp -d "$out/cycle.XXXXXX")"
  mkdir -p "$work/win" "$work/linux"
  for side in win linux; do
    cp samples/script_list.txt samples/dialog.dat "$work/$side/"
    mkdir -p "$work/$side/3Optimize_RU"
    cp samples/dialog.ru.txt "$work/$side/3Optimize_RU/dialog.txt"
  done
  cp "$bin/korvane.exe" "$bin/velloran.exe" "$work/win/"
  local run=("$wine")
  (cd "$work/win" &&
    "${run[@]}" ./korvane.exe extract dialog.dat dialog.txt </dev/null >/dev/null &&
    "${run[@]}" ./velloran.exe -o dialog.txt </dev/null >/dev/null &&
    "${run[@]}" ./velloran.exe -r dialog.txt </dev/null >/dev/null &&
    "${run[@]}" ./korvane.exe replace dialog.dat '4Recover_RU\dialog.txt' -out_data dialog_ru.dat </dev/null >/dev/null &&
    "${run[@]}" ./korvane.exe extract dialog_ru.dat check.txt </dev/null >/dev/null)
  cmp "$work/win/check.txt" "$work/win/4Recover_RU/dialog.txt"
  if [ -x build/bin/korvane ] && [ -x build/bin/velloran ]; then
    cp build/bin/korvane build/bin/velloran "$work/linux/"
    (cd "$work/linux" &&
      ./korvane extract dialog.dat dialog.txt </dev/null >/dev/null &&
      ./velloran -o dialog.txt </dev/null >/dev/null &&
      ./velloran -r dialog.txt </dev/null >/dev/null &&
      ./korvane replace dialog.dat 4Recover_RU/dialog.txt -out_data dialog_ru.dat </dev/null >/dev/null)
    cmp "$work/win/4Recover_RU/dialog.txt" "$work/linux/4Recover_RU/dialog.txt"
    cmp "$work/win/dialog_ru.dat" "$work/linux/dialog_ru.dat"
    echo "sample cycle: the Windows programs' recovered file and data file equal the Linux programs'"
  else
    echo "sample cycle: passed (no Linux programs at build/bin to compare with)"
  fi
  rm -rf "$work"
}

if [ "$tests" != none ]; then
  [ -f "$WINEPREFIX/system.reg" ] || { echo "== creating the Wine prefix"; "$wine" cmd /c exit >/dev/null 2>&1 || true; }
  # One Wine server for the whole test run: otherwise each test program that
  # finds none starts it again with the prefix's services, a few seconds
  # each time. It is stopped when the script ends.
  wineserver="$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)"
  "$wineserver" -p 2>/dev/null || true   # (one left running by an earlier run serves as well)
  trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
  "$wine" cmd /c exit >/dev/null 2>&1 || true
  echo "== tests under Wine ($tests)"
  start=$(date +%s)
  sample_cycle
  if [ "$tests" = smoke ]; then
    ctest --test-dir "$out/build" -j"$jobs" --output-on-failure -R '(^|/)(Cycle|PoCycle|KorvaneBadInput|VelloranBadInput|WindowsFiles)\.'
  else
    ctest --test-dir "$out/build" -j"$jobs" --output-on-failure
  fi
  echo "Windows tests took $(( $(date +%s) - start )) s"
fi

# --- dist/windows --------------------------------------------------------------
dist="$root/dist/windows"
rm -rf "$dist" "$root/dist/korvane-velloran-windows.zip"
mkdir -p "$dist/samples"
cp "$bin/korvane.exe" "$bin/velloran.exe" "$dist/"
x86_64-w64-mingw32-strip "$dist/korvane.exe" "$dist/velloran.exe"
cp README.md "$dist/"
[ -f docs/windows.md ] && cp docs/windows.md "$dist/"
cp samples/* "$dist/samples/"
(cd "$root/dist" && zip -qr korvane-velloran-windows.zip windows)
echo "Windows programs: dist/windows/ and dist/korvane-velloran-windows.zip"
