#!/usr/bin/env bash
# Checks the Windows gauge modules as files, the way the simulator's loader
# and a panel builder see them, and lists what each one exports and imports.
#
#   bash scripts/check-modules.sh [MODULE_DIR]    (default build/mingw/modules)
#
# Each .gau must be a 32-bit PE DLL that
#   - exports exactly Linkage and ImportTable, under its own file name;
#   - imports only DLLs that every Windows of the simulator's era has
#     (no C++ runtime, no GCC or winpthread DLL);
#   - asks for no newer Windows than 4.0 (OS and subsystem versions);
#   - carries a version resource: 1.0.0.0, strings "1.0.0", and the file
#     description "Flight Simulator 98 Gauge" for dimmer, levelset and radalt;
#   - carries its face as bitmap resource 4096.
# The dimmer links its Windows services, so its import table names them.
set -euo pipefail
dir=${1:-build/mingw/modules}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
windres=${WINDRES:-i686-w64-mingw32-windres}

allowed="kernel32.dll user32.dll advapi32.dll winmm.dll dsound.dll msvcrt.dll gdi32.dll"
failures=0
fail() {
  echo "  FAIL: $*"
  failures=$((failures + 1))
}

shopt -s nullglob
modules=("$dir"/*.gau)
if ((${#modules[@]} == 0)); then
  echo "check-modules: no .gau files in $dir" >&2
  exit 2
fi

for file in "${modules[@]}"; do
  name=$(basename "$file" .gau)
  headers=$("$objdump" -p "$file")
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
  imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '\n' ' ')
  echo "$name.gau: $(stat -c %s "$file") bytes; exports: ${exports% }; imports: ${imports% }"

  grep -q 'file format pei-i386' <<<"$headers" || fail "$name is not a 32-bit PE file"
  grep -Eq '^Characteristics.*' <<<"$headers" && ! grep -q 'DLL' <<<"$(sed -n '/^Characteristics/,/^$/p' <<<"$headers")" &&
    fail "$name is not a DLL"
  [[ "$exports" == "ImportTable Linkage " ]] || fail "$name exports '${exports% }', not exactly ImportTable and Linkage"
  grep -Eq "^Name[[:space:]]+[0-9a-f]+ $name\.gau$" <<<"$headers" ||
    fail "$name's export table does not carry the name $name.gau"

  for dll in $imports; do
    lower=${dll,,}
    [[ " $allowed " == *" $lower "* ]] || fail "$name imports $dll, which the simulator's Windows may lack"
  done
  if [[ $name == dimmer ]]; then
    for service in FindWindowA RegOpenKeyExA RegQueryValueExA RegCloseKey mmioOpenA mmioDescend \
                   mmioRead mmioAscend mmioClose DirectSoundCreate; do
      grep -Eq "[[:space:]]$service\$" <<<"$headers" || fail "dimmer does not import $service"
    done
  fi

  for field in MajorOSystemVersion MajorSubsystemVersion; do
    [[ $(awk -v f="$field" '$1 == f { print $2 }' <<<"$headers") == 4 ]] || fail "$name: $field is not 4"
  done
  for field in MinorOSystemVersion MinorSubsystemVersion; do
    [[ $(awk -v f="$field" '$1 == f { print $2 }' <<<"$headers") == 0 ]] || fail "$name: $field is not 0"
  done

  resources=$("$windres" -i "$file" -O rc 2>/dev/null || true)
  grep -q 'FILEVERSION 1, 0, 0, 0' <<<"$resources" || fail "$name: file version is not 1.0.0.0"
  grep -q 'PRODUCTVERSION 1, 0, 0, 0' <<<"$resources" || fail "$name: product version is not 1.0.0.0"
  grep -q 'VALUE "FileVersion", "1.0.0"' <<<"$resources" || fail "$name: FileVersion string is not 1.0.0"
  grep -q 'VALUE "ProductVersion", "1.0.0"' <<<"$resources" || fail "$name: ProductVersion string is not 1.0.0"
  if [[ $name != guidepanel ]]; then
    grep -q 'VALUE "FileDescription", "Flight Simulator 98 Gauge"' <<<"$resources" ||
      fail "$name: file description is not \"Flight Simulator 98 Gauge\""
  fi
  bitmaps=$(awk '$2 == "2" && $3 == "/*" && $4 == "RT_BITMAP" { print $1 }' <<<"$resources" |
    sort -n | tr '\n' ' ')
  echo "  bitmaps: ${bitmaps:-none}"
  [[ " $bitmaps" == *" 4096 "* ]] || fail "$name carries no face bitmap 4096"
done

if ((failures > 0)); then
  echo "check-modules: $failures problem(s)" >&2
  exit 1
fi
echo "check-modules: ${#modules[@]} modules as the simulator expects them"
