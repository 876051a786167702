#!/usr/bin/env bash
# Proves that rkdial works from where it is installed: installs a built tree into a temporary
# prefix, starts the installed rkdial-cli serve and fetches the start page and a data script
# from it; then builds the Debian package, checks its file list and fields, and does the same
# with the programs unpacked from it.
#   scripts/check-install.sh [build folder, default build/dev]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/dev}")
work=$(mktemp -d)
server=""
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "check-install: $*" >&2
  exit 1
}

installed=(bin/rkdial bin/rkdial-cli bin/rkdial-mainunit share/rkdial/HTMLFiles/17tansyuku.html
  share/rkdial/HTMLFiles/17tansyuku_20.html share/rkdial/HTMLFiles/18tel_50.html share/rkdial/HTMLFiles/list.html
  share/applications/rkdial.desktop share/icons/hicolor/scalable/apps/rkdial.svg)

# The programs of a prefix serve their own pages: there are none beside them in bin, so they must
# find share/rkdial/HTMLFiles.
serves_its_pages() {
  local prefix=$1 run=$work/run
  mkdir -p "$run"
  (cd "$run" && exec "$prefix/bin/rkdial-cli" serve --port 0 --no-pauses >"$run/address" 2>"$run/errors") &
  server=$!
  for _ in $(seq 100); do
    [ -s "$run/address" ] && break
    sleep 0.1
  done
  local url
  url=$(head -n 1 "$run/address")
  [[ $url =~ ^http://127\.0\.0\.1:[0-9]+/$ ]] || fail "$prefix: serve printed no address: $(cat "$run/errors")"
  [ "$(curl -sS -o "$run/start.html" -w '%{http_code}' "$url")" = 200 ] || fail "$prefix: GET / failed"
  # The start page's title, 短縮ダイヤル 電話帳編集, in Shift_JIS.
  LC_ALL=C grep -qF "$(printf '<title>\x92\x5a\x8f\x6b\x83\x5f\x83\x43\x83\x84\x83\x8b \x93\x64\x98\x62\x92\xa0\x95\xd2\x8f\x57</title>')" \
    "$run/start.html" || fail "$prefix: / is not the start page"
  [ "$(curl -sS -o "$run/data.js" -w '%{http_code}' "${url}17tansyuku_01m.js?page=001")" = 200 ] ||
    fail "$prefix: no data script"
  grep -q '^var arParam=\[0,49,1,4\];' "$run/data.js" || fail "$prefix: not page 1's data script"
  kill -TERM "$server"
  local status=0
  wait "$server" || status=$?
  server=""
  [ "$status" -eq 0 ] || fail "$prefix: serve ended with $status after SIGTERM"
  rm -rf "$run"
  echo "$prefix: rkdial-cli serve answers / and 17tansyuku_01m.js from its own pages"
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in "${installed[@]}"; do
  [ -e "$prefix/$file" ] || fail "cmake --install put no $file in place"
done
[ ! -e "$prefix/bin/HTMLFiles" ] || fail "the pages were installed beside the programs"
serves_its_pages "$prefix"

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null)
deb=$(find "$work/package" -maxdepth 1 -name 'rkdial_*.deb')
[ -n "$deb" ] || fail "cpack made no rkdial_*.deb"
dpkg-deb -c "$deb" | awk '{print $NF}' >"$work/files"
for file in "${installed[@]}"; do
  grep -qx "./usr/$file" "$work/files" || fail "$(basename "$deb") has no /usr/$file"
done
[ "$(dpkg-deb -f "$deb" Package)" = rkdial ] || fail "the package is not named rkdial"
version=$(sed -n 's/^project(rkdial VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libpugixml1v5; do
  [[ $depends == *"$package"* ]] || fail "the package does not depend on $package"
done
dpkg-deb -x "$deb" "$work/unpacked"
serves_its_pages "$work/unpacked/usr"
echo "$(basename "$deb"): $(wc -l <"$work/files") entries; Depends: $depends"
