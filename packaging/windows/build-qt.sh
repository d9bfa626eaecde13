#!/usr/bin/env bash
# Builds the Qt modules Trackpace links, and SQLite for its speed log, for 64-bit Windows from Debian's own sources.
#
#   build-qt.sh PREFIX_ROOT        prints the install prefix on its last line
#
# The sources come through a private apt configuration: a deb-src copy of this
# machine's own Debian source lists, kept in a work folder; nothing under /etc is
# changed. The result lands in PREFIX_ROOT/<key>, the key naming the Qt version, the
# SQLite version and a hash of this script (its options), so a second run finds it.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="${1:?usage: build-qt.sh PREFIX_ROOT}"
jobs="${JOBS:-$(nproc)}"

# What decides the build; the cache key holds its hash.
sqlite_flags=(-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_OMIT_LOAD_EXTENSION)
qt_options=(
    -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF -DBUILD_WITH_PCH=OFF
    -DFEATURE_network=ON -DFEATURE_dbus=OFF -DFEATURE_vulkan=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF -DFEATURE_zstd=OFF -DFEATURE_tabletevent=OFF
    -DFEATURE_opengl=ON -DFEATURE_opengl_desktop=ON
    -DFEATURE_sql=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_jpeg=OFF
)
options_hash=$( (printf '%s\n' "${sqlite_flags[@]}" "${qt_options[@]}"; cat "$here/mingw-w64.cmake") |
    sha256sum | cut -c1-12)

# --- a private apt configuration for source packages --------------------------------
work="$root/work"
apt_dir="$work/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources.d"
: > "$apt_dir/sources.list"
# One-line lists and deb822 lists alike, turned into their deb-src twins.
if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list > "$apt_dir/sources.list"
fi
for list in /etc/apt/sources.list.d/*.list; do
    [ -f "$list" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >> "$apt_dir/sources.list"
done
for sources in /etc/apt/sources.list.d/*.sources; do
    [ -f "$sources" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$sources" > "$apt_dir/sources.d/$(basename "$sources")"
done
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.d"
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache=")
apt-get "${apt_opts[@]}" -qq update

version_of() {
    apt-cache "${apt_opts[@]}" showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -n 1
}
qt_version=$(version_of qt6-base)
sqlite_version=$(version_of sqlite3)
key="qt-${qt_version//[^A-Za-z0-9.+-]/_}-sqlite-${sqlite_version//[^A-Za-z0-9.+-]/_}-mingw64-$options_hash"
prefix="$root/$key"
if [ -f "$prefix/.complete" ]; then
    echo "Qt for Windows is cached in $prefix"
    echo "$prefix"
    exit 0
fi

src="$work/src-$options_hash"
# On failure, the end of the log of the step that failed.
log=""
trap '[ -n "$log" ] && [ -f "$log" ] && tail -n 40 "$log" >&2' ERR
rm -rf "$src" "$prefix"
mkdir -p "$src" "$prefix"
(cd "$src" && apt-get "${apt_opts[@]}" -qq source "qt6-base=$qt_version" "sqlite3=$sqlite_version" >/dev/null)
qt_tree=$(find "$src" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
sqlite_tree=$(find "$src" -maxdepth 1 -type d -name 'sqlite3-*' | head -n 1)

# --- SQLite: the amalgamation made on this machine, compiled into a static library --
echo "Building SQLite $sqlite_version for Windows"
mkdir -p "$src/sqlite-host" "$prefix/include" "$prefix/lib"
(cd "$src/sqlite-host" && "$sqlite_tree/configure" --disable-tcl >/dev/null && make -s sqlite3.c >/dev/null)
x86_64-w64-mingw32-gcc-posix "${sqlite_flags[@]}" -c "$src/sqlite-host/sqlite3.c" -o "$src/sqlite-host/sqlite3.o"
x86_64-w64-mingw32-gcc-ar-posix rcs "$prefix/lib/libsqlite3.a" "$src/sqlite-host/sqlite3.o"
cp "$src/sqlite-host/sqlite3.h" "$prefix/include/"

# --- Qt: Core, Gui, Widgets, PrintSupport, Network, Test and the Windows plugins --------
echo "Configuring Qt $qt_version for Windows"
build="$src/qt-build"
cmake -G Ninja -S "$qt_tree" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${qt_options[@]}" \
    > "${log:=$src/configure.log}" 2>&1
echo "Building Qt for Windows (this takes a while)"
log="$src/build.log"
cmake --build "$build" --parallel "$jobs" > "$log" 2>&1
log="$src/install.log"
cmake --install "$build" > "$log" 2>&1
# The licences that ship with the program.
mkdir -p "$prefix/licenses"
cp "$qt_tree/LICENSES/"*.txt "$prefix/licenses/" 2>/dev/null || true
cp "$qt_tree/debian/copyright" "$prefix/licenses/qt6-base.copyright"
cp "$sqlite_tree/debian/copyright" "$prefix/licenses/sqlite3.copyright"
touch "$prefix/.complete"
rm -rf "$src"
echo "$prefix"
