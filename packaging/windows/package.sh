#!/usr/bin/env bash
# What a Windows user downloads, from the Windows build: a zip that runs from any folder
# (its settings beside it) and an installer made with NSIS (its settings in %APPDATA%).
#   package.sh BUILD_FOLDER QT_PREFIX VERSION
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "$1")
qt=$(realpath "$2")
version=$3
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
stage=$build/stage

# The program's folder: the executable, the Qt libraries and plugins it loads, the
# MinGW runtime, and the licences of all of them.
fill() {   # fill FOLDER EXECUTABLE
    local folder=$1
    rm -rf "$folder"
    mkdir -p "$folder/platforms" "$folder/styles" "$folder/licenses"
    cp "$2" "$folder/trackpace.exe"
    for library in Core Gui Widgets PrintSupport Network; do
        cp "$qt/bin/Qt6$library.dll" "$folder/"
    done
    cp "$qt/plugins/platforms/qwindows.dll" "$folder/platforms/"
    cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$folder/styles/"
    for dll in libstdc++-6.dll libgcc_s_seh-1.dll libssp-0.dll; do
        cp "$runtime/$dll" "$folder/"
    done
    cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$folder/"
    for module in "$build"/trackpace-*.dll; do
        [ -e "$module" ] && cp "$module" "$folder/"
    done
    # Without their debugging sections: a download of a fifth of the size.
    find "$folder" -name '*.dll' -o -name '*.exe' | xargs x86_64-w64-mingw32-strip --strip-unneeded
    cp "$qt/licenses/"* "$folder/licenses/"
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$folder/licenses/gcc-mingw-w64.copyright"
    cp /usr/share/doc/mingw-w64-common/copyright "$folder/licenses/mingw-w64.copyright"
    cp "$build/packaging-copyright/copyright" "$folder/licenses/copyright"
    cp "$here/../../LICENSE" "$folder/licenses/LICENSE.txt"
}

# The zip: one folder, Trackpace, that runs wherever it is unpacked.
fill "$stage/zip/Trackpace" "$build/trackpace.exe"
zip_file=$build/Trackpace-$version-win64.zip
rm -f "$zip_file"
(cd "$stage/zip" && zip -q -r -X "$zip_file" Trackpace)
echo "$zip_file"

# The installer: the installed copy, and lists of exactly what it places and removes.
installed=$stage/installer/Trackpace
fill "$installed" "$build/installed/trackpace.exe"
# Windows paths inside the installed folder, the stage's own paths for makensis to read.
windows_path() { printf '%s' "${1#.}" | tr '/' '\\'; }
{
    echo '!macro InstallFiles'
    (cd "$installed" && find . -type d | sort | while read -r dir; do
        printf '    SetOutPath "$INSTDIR%s"\n' "$(windows_path "$dir")"
        find "$dir" -maxdepth 1 -type f | sort | while read -r file; do
            printf '    File "%s"\n' "$installed/${file#./}"
        done
    done)
    echo '    SetOutPath "$INSTDIR"'
    echo '!macroend'
    echo '!macro RemoveFiles'
    (cd "$installed" && find . -type f | sort | while read -r file; do
        printf '    Delete "$INSTDIR%s"\n' "$(windows_path "$file")"
    done)
    echo '!macroend'
    echo '!macro RemoveFolders'
    (cd "$installed" && find . -mindepth 1 -type d | sort -r | while read -r dir; do
        printf '    RMDir "$INSTDIR%s"\n' "$(windows_path "$dir")"
    done)
    echo '!macroend'
} > "$stage/installer/files.nsh"
setup_file=$build/Trackpace-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$installed" -DOUTFILE="$setup_file" -DICON="$build/trackpace.ico" \
    "$here/installer.nsi"
echo "$setup_file"
