#!/usr/bin/env bash
# Makes every download of a release in dist/ from the committed tree:
#   VilmarPintkeeper-<version>-windows.zip    the Windows program, read-me, licence
#   vilmar-pintkeeper_<version>_amd64.deb     the native game for Debian and Ubuntu
#   vilmar-web-<version>.tar.gz               the browser version's site
#   kortix-server_<version>_amd64.deb         the game service with its systemd unit
#   releases.json                             each program's platform, version,
#                                             integrity value and length, for the service
#   SHA256SUMS
# The version comes from the repository (see cmake/Version.cmake). The same
# commit gives the same bytes wherever and whenever it is built: every build
# starts from an empty folder, times come from the commit, folder names stay
# out of the programs and archives are written in a fixed order.
#
#   tools/release.sh [--out DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/dist
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out=$(realpath -m "$2"); shift ;;
    *) echo "usage: $0 [--out DIR]" >&2; exit 2 ;;
  esac
  shift
done
cd "$root"

if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release: the tree has uncommitted changes; a release is made of a commit" >&2
  exit 2
fi
for tool in cmake cpack x86_64-w64-mingw32-g++-posix emcc dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "release: $tool is missing" >&2; exit 2; }
done

export SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export TZ=UTC LC_ALL=C.UTF-8
umask 022
jobs=$(nproc 2>/dev/null || echo 2)
builds=$root/build/release
rm -rf "$builds" "$out"
mkdir -p "$builds" "$out"
log=$builds/release.log
step() { echo "== $*"; }
run() {
  if ! "$@" >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "release: '$*' failed; the whole log is $log" >&2
    exit 1
  fi
}

step "native programs and their packages"
run cmake --preset release
run cmake --build --preset release -j"$jobs"
version=$(sed -n 's/.*VERSION = "\(.*\)".*/\1/p' "$builds/native/generated/Version.h")
[ -n "$version" ] || { echo "release: no version" >&2; exit 1; }
echo "   version $version"
(cd "$builds/native" && run cpack -G DEB -B "$builds/native/packages")
cp "$builds/native/packages/vilmar-pintkeeper_${version}_amd64.deb" "$out/"

step "the service's package"
# Staged from the build's install rules and packed by dpkg-deb, which takes
# its times from SOURCE_DATE_EPOCH.
stage=$builds/server-deb
run cmake --install "$builds/native" --component server --prefix "$stage/usr" --strip
install -D -m 644 packaging/server/kortix-server.service "$stage/lib/systemd/system/kortix-server.service"
install -D -m 644 packaging/server/kortix-server.default "$stage/etc/default/kortix-server"
install -D -m 644 LICENSE "$stage/usr/share/doc/kortix-server/copyright"
gzip -9n <packaging/server/changelog >"$stage/usr/share/doc/kortix-server/changelog.gz"
mkdir -p "$stage/DEBIAN"
install -m 755 packaging/server/postinst packaging/server/prerm packaging/server/postrm "$stage/DEBIAN/"
echo /etc/default/kortix-server >"$stage/DEBIAN/conffiles"
# The libraries the program links, as Debian names them.
shlibs=$builds/shlibdeps
mkdir -p "$shlibs/debian"
printf 'Source: kortix-server\n\nPackage: kortix-server\nArchitecture: amd64\n' >"$shlibs/debian/control"
depends=$(cd "$shlibs" && dpkg-shlibdeps -O "$stage/usr/bin/kortix-server" 2>>"$log" | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "release: the service's library dependencies were not found" >&2; exit 1; }
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@SIZE@/$size/" -e "s/@DEPENDS@/$depends/" \
  packaging/server/control >"$stage/DEBIAN/control"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
run dpkg-deb --root-owner-group -Zxz --build "$stage" "$out/kortix-server_${version}_amd64.deb"

step "Windows program"
run cmake --preset release-mingw
run cmake --build --preset release-mingw -j"$jobs" --target vilmar
zipdir=$builds/windows/zip
mkdir -p "$zipdir"
cp "$builds/windows/frontends/win32/VilmarPintkeeper.exe" "$zipdir/"
# Notepad on every Windows reads UTF-8 with a byte order mark and CR LF lines.
for text in LASMIG.txt README.txt; do
  { printf '\xef\xbb\xbf'; sed 's/$/\r/' "packaging/windows/$text"; } >"$zipdir/$text"
done
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' LICENSE; } >"$zipdir/LICENSE.txt"
windows_zip=VilmarPintkeeper-$version-windows.zip
/usr/bin/python3 tools/release/archive.py zip "$out/$windows_zip" "$zipdir"

step "browser version"
run cmake --preset release-web
run cmake --build --preset release-web -j"$jobs"
web_tar=vilmar-web-$version.tar.gz
/usr/bin/python3 tools/release/archive.py tar "$out/$web_tar" "$builds/web/site" "vilmar-web-$version"

step "releases list"
# The integrity value and length of each program as the game computes them
# from its own file: the installed native program is the stripped one in
# the package, the browser version's is its WebAssembly file.
unpacked=$builds/unpacked
dpkg-deb -x "$out/vilmar-pintkeeper_${version}_amd64.deb" "$unpacked"
facts=$builds/native/tools/vilmar-buildfacts
{
  echo "{"
  echo "  \"version\": \"$version\","
  echo "  \"programs\": ["
  "$facts" --platform windows --version "$version" --file "$windows_zip" \
    "$builds/windows/frontends/win32/VilmarPintkeeper.exe"
  echo ","
  "$facts" --platform linux --version "$version" --file "vilmar-pintkeeper_${version}_amd64.deb" \
    "$unpacked/usr/games/vilmar-pintkeeper"
  echo ","
  "$facts" --platform web --version "$version" --file "$web_tar" "$builds/web/site/vilmar.wasm"
  echo
  echo "  ]"
  echo "}"
} >"$out/releases.json"

(cd "$out" && sha256sum -- *.deb *.zip *.tar.gz releases.json >SHA256SUMS)
step "done: $out"
cat "$out/SHA256SUMS"
