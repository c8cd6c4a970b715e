#!/usr/bin/env bash
# Installs the build into a scratch prefix (or packs it as a .deb) and checks
# what a desktop and a package manager need to find there.
#   install_test.sh install BUILD_DIR
#   install_test.sh package BUILD_DIR
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
id=com.trevix.MovVideoConverter

check_tree() {  # $1: the installed prefix
  local p=$1 private
  private=$(dirname "$(readlink -f "$p/bin/trevix-convert")")
  [[ $private == "$p"/lib*/trevix-mov-video-converter ]] || fail "trevix-convert links to $private"
  for prog in trevix-convert trevix-mov-video-converter; do
    [[ -L $p/bin/$prog ]] || fail "bin/$prog is not a link"
    [[ -x $private/$prog ]] || fail "$private/$prog missing"
    [[ $(readlink "$p/bin/$prog") != /* ]] || fail "bin/$prog links by an absolute path"
  done
  local lib
  for lib in avcodec avformat avutil swscale swresample avfilter; do
    compgen -G "$private/Common/lib$lib.so.*" > /dev/null || fail "Common/lib$lib missing"
  done
  for l in "$private"/Common/*; do [[ -e $l ]] || fail "dangling link $l"; done
  [[ -f $private/help/index.html ]] || fail "help page missing"
  [[ -f $private/translations/trevix_de.qm ]] || fail "German translation missing"
  [[ -f $p/share/applications/$id.desktop ]] || fail "desktop entry missing"
  [[ -f $p/share/metainfo/$id.metainfo.xml ]] || fail "metainfo missing"
  [[ -f $p/share/icons/hicolor/scalable/apps/$id.svg ]] || fail "SVG icon missing"
  for s in 16 32 48 64 128 256; do
    [[ -f $p/share/icons/hicolor/${s}x${s}/apps/$id.png ]] || fail "${s}px icon missing"
  done
  [[ -f $p/share/man/man1/trevix-convert.1.gz ]] || fail "manual page missing"
}

case $mode in
  install)
    cmake --install "$build" --prefix "$scratch/usr" > "$scratch/install.log"
    check_tree "$scratch/usr"
    grep -q "Installing: .*/bin/trevix-mov-video-converter" "$scratch/install.log" || fail "install log"
    # The installed program, started through its link, finds its libraries
    # and converts: one second of silence as a WAV file, into MP3.
    {
      printf 'RIFF\xa4\x3e\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00'
      printf '\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00data\x80\x3e\x00\x00'
      head -c 16000 /dev/zero
    } > "$scratch/silence.wav"
    mkdir "$scratch/out"
    out=$("$scratch/usr/bin/trevix-convert" --profile mp3 -o "$scratch/out" "$scratch/silence.wav" 2>&1) ||
      fail "installed trevix-convert: $out"
    [[ -s $scratch/out/silence.mp3 ]] || fail "no output: $out"
    if command -v desktop-file-validate > /dev/null; then
      desktop-file-validate "$scratch/usr/share/applications/$id.desktop"
    fi
    if command -v appstreamcli > /dev/null; then
      appstreamcli validate --no-net "$scratch/usr/share/metainfo/$id.metainfo.xml"
    fi
    zcat "$scratch/usr/share/man/man1/trevix-convert.1.gz" | grep -q '^\.TH TREVIX-CONVERT 1' || fail "man page"
    ;;
  package)
    (cd "$build" && cpack -G DEB -B "$scratch/pkg" > "$scratch/cpack.log") || { cat "$scratch/cpack.log"; fail cpack; }
    deb=$(ls "$scratch"/pkg/*.deb)
    depends=$(dpkg-deb -f "$deb" Depends)
    for need in libavcodec59 libavformat59 libavutil57 libswscale6 libswresample4 libavfilter8 \
                libqt6widgets6 libqt6multimedia6; do
      grep -q "$need" <<< "$depends" || fail "Depends lacks $need: $depends"
    done
    mkdir "$scratch/root"
    dpkg-deb -x "$deb" "$scratch/root"
    check_tree "$scratch/root/usr"
    ;;
  *) fail "unknown mode $mode" ;;
esac
echo "OK: $mode"
