#!/bin/sh
# Installs the build into a scratch prefix and checks the result as a desktop
# reads it: the menu entry, the software-centre data, the file types, and the
# installed program finding its settings from an unrelated directory.
set -eu
build=$1
work=$2/scratch
source=$3
rm -rf "$work"
mkdir -p "$work/run" "$work/config"
prefix=$work/prefix
share=$prefix/share
id=io.github.difscop.Difscop

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
for f in bin/difscop bin/difscop-cli share/difscop/DifscopHelp.html share/difscop/Difscop.ini \
         share/difscop/examples/xy_pattern.xy share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/difscop.1 share/man/man1/difscop-cli.1 \
         share/bash-completion/completions/difscop-cli; do
  test -f "$prefix/$f" || { echo "not installed: $f"; exit 1; }
done

desktop-file-validate "$share/applications/$id.desktop"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"

# The types compile; distinctive names are claimed, everyday ones are not.
# (the install has compiled them already)
test -f "$share/mime/application/x-fullprof-prf.xml"
grep -q ':application/x-fullprof-prf:\*\.prf' "$share/mime/globs2"
if grep -E ':\*\.(dat|txt|xy)$' "$share/mime/globs2"; then
  echo "a common extension is claimed"
  exit 1
fi
# Every type the menu entry opens is one that is defined, and every type the
# package defines is one the menu entry opens, as the refreshed desktop
# database says.
claimed=$(sed -n 's/^MimeType=//p' "$share/applications/$id.desktop" | tr ';' ' ')
for type in $claimed; do
  test -f "$share/mime/$type.xml" || { echo "undefined type $type"; exit 1; }
done
for type in $(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$share/mime/packages/$id.xml"); do
  case " $claimed " in *" $type "*) ;; *) echo "type $type is not opened by the menu entry"; exit 1 ;; esac
  grep -q "^$type=.*$id.desktop" "$share/applications/mimeinfo.cache" ||
    { echo "$type is not in the desktop database"; exit 1; }
done
# What a file manager asks: the kind of each file and the program that opens it.
if command -v xdg-mime >/dev/null; then
  for f in pbso4_condensed_neutron.prf gsas_alumina_neutron.cif panalytical_empyrean.xrdml \
           gsas_std_pbso4_xray.gsa; do
    type=$(XDG_DATA_HOME=$share XDG_DATA_DIRS=$share:/usr/share xdg-mime query filetype "$source/tests/data/real/$f")
    default=$(XDG_DATA_HOME=$share XDG_DATA_DIRS=$share:/usr/share XDG_CONFIG_HOME=$work/config \
              xdg-mime query default "$type")
    [ "$default" = "$id.desktop" ] || { echo "$f ($type) opens with '$default'"; exit 1; }
  done
fi

"$prefix/bin/difscop" --version | grep -q '^Difscop '
# xylib's formats are read by the installed helper, also once the install
# has moved to another prefix (a build tree's helper is never used by it).
mv "$prefix" "$work/moved"
prefix=$work/moved
share=$prefix/share
test -x "$prefix/libexec/difscop/difscop-xylib"
printf '_FILEVERSION=1\n_DRIVE=COUPLED\n_STEPSIZE=0.02\n_START=10.0\n_COUNTS\n 100 200 300 400\n' \
  >"$work/scan.uxd"
"$prefix/bin/difscop-cli" info auto "$work/scan.uxd" | grep -q '^obsCount: 4$'
# First start from an unrelated directory: the installed default becomes the
# user's settings file (a missing one would stop the start at a message box).
cd "$work/run"
XDG_CONFIG_HOME="$work/config" DIFSCOP_QUIT_AFTER_FIRST_PAINT=1 \
  timeout 60 "$prefix/bin/difscop" "$share/difscop/examples/xy_pattern.xy" 2>/dev/null
cmp "$work/config/difscop/Difscop.ini" "$share/difscop/Difscop.ini"
test ! -e "$work/run/Difscop.ini"
echo "install checked"
