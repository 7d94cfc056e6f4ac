#!/usr/bin/env bash
# The Windows checks: the cross-built .gau modules and gaugebench.exe under Wine.
#
#   bash scripts/wine-checks.sh [NATIVE_BUILD]   (default build/default, built already)
#
# 1. Builds the mingw preset (build/mingw): the four .gau files and gaugebench.exe.
# 2. Checks each module file: exports, imports, PE header, version and bitmaps
#    (scripts/check-modules.sh).
# 3. Runs every scenario script (*/scenarios/*.bench, tests/scenarios/*.bench)
#    with the native bench, then with gaugebench.exe on the .gau files under
#    Wine, once at each x87 precision (24, 53, 64 bits): every trace and exit
#    status must be the native run's, byte for byte.
# 4. Plays the dimmer's click through Wine's DirectSound into an ALSA file sink
#    and checks that the captured audio is not silence.
# 5. Runs gaugebench.exe validate on the four .gau files (docs/validator.md).
#
# Wine runs in one session: one Xvfb, one private prefix under build/mingw/wine
# (initialised once), one wineserver, the scripts run one after another (they
# share the prefix's registry). A machine whose kernel runs no 32-bit code
# cannot run Wine's 32-bit loader; there steps 3 and 4 are skipped and say so,
# unless GAUGE_WINE_EMULATED=1 asks to try them under qemu-i386 (slow, and
# Wine's threads are not dependable there).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cross=build/mingw
work=$cross/wine

if [[ ${1:-} == --session ]]; then
  session=1
  shift
else
  session=0
fi
native=${1:-build/default}

scenario_scripts() {
  find . -mindepth 3 -maxdepth 3 -path './*/scenarios/*.bench' -not -path './build/*' |
    sed 's|^\./||' | LC_ALL=C sort -u
}

# ---------------------------------------------------------------------------
# Inside the Wine session (under xvfb-run).
if ((session)); then
  mapfile -t scripts < <(scenario_scripts)
  bench=$cross/bin/gaugebench.exe
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "-- making the Wine prefix $WINEPREFIX"
    wineboot --init >"$work/wineboot.log" 2>&1 || true
  fi
  # One server for the whole session, not one per run.
  wineserver -p
  status=0
  for bits in 24 53 64; do
    out=$work/x87-$bits
    rm -rf "$out"
    echo "-- gaugebench.exe runs, x87 at $bits bits"
    wine "$bench" runs "${scripts[@]}" --modules "$cross/modules" --trace-dir "$out" \
      --x87 "$bits" >"$work/x87-$bits.log" 2>&1 || true
  done
  # The click, played for real: one script whose native trace has a play.
  audio_script=$(cd "$work/native" && grep -rl '^play dimmer ' --include='*.trace' . | LC_ALL=C sort | head -1 || true)
  if [[ -n $audio_script ]]; then
    audio_script=${audio_script#./}
    audio_script=${audio_script%.trace}.bench
    echo "$audio_script" >"$work/audio-script"
    rm -f "$work/capture.wav" "$work/audio.trace"
    echo "-- the click through Wine's DirectSound: $audio_script"
    wine "$bench" run "$audio_script" --modules "$cross/modules" --trace "$work/audio.trace" \
      >"$work/audio.log" 2>&1 || true
  fi
  # The validator on the .gau files, each check in a child gaugebench.exe.
  echo "-- gaugebench.exe validate on the four modules"
  validate=0
  wine "$bench" validate --modules "$cross/modules" --steps 500 --only-failed \
    guidepanel levelset radalt dimmer >"$work/validate.log" 2>&1 || validate=$?
  echo "$validate" >"$work/validate.status"
  wineserver -k || true
  exit $status
fi

# ---------------------------------------------------------------------------
# The checks.
if [[ ! -x $native/bin/gaugebench ]]; then
  echo "wine-checks: no native bench in $native; build it first" >&2
  exit 2
fi

echo "== mingw: the .gau modules and gaugebench.exe"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$(nproc)"

echo "== the module files"
bash scripts/check-modules.sh "$cross/modules"

mkdir -p "$work"
mapfile -t scripts < <(scenario_scripts)
echo "== ${#scripts[@]} scenario scripts, native ($native)"
rm -rf "$work/native"
mkdir -p "$work/native"
for script in "${scripts[@]}"; do
  trace=$work/native/${script%.bench}.trace
  mkdir -p "$(dirname "$trace")"
  status=0
  "$native/bin/gaugebench" run "$script" --modules "$native/modules" --trace "$trace" \
    2>>"$work/native/messages.txt" || status=$?
  echo "$status $script" >>"$work/native/status.txt"
done

# Wine's loader is a 32-bit program. A machine whose kernel runs 32-bit code
# runs it as it is; elsewhere only an emulator registered for such programs
# can, which the checks use only when asked to.
emulated=0
if [[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]] && grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then
  emulated=1
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  emulated=1
fi
if ((emulated)); then
  if [[ ${GAUGE_WINE_EMULATED:-0} != 1 ]]; then
    echo "== Wine: SKIPPED. This machine runs no 32-bit code itself (its kernel has the IA-32"
    echo "   mode off), so Wine cannot run gaugebench.exe here. The module files were checked"
    echo "   above; GAUGE_WINE_EMULATED=1 tries the Wine checks under qemu-i386 (unreliable)."
    exit 0
  fi
  echo "== Wine under qemu-i386 (GAUGE_WINE_EMULATED=1)"
  if [[ ! -x /usr/bin/qemu-i386-static ]]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends qemu-user-static
  fi
  if [[ ! -e /proc/sys/fs/binfmt_misc/register ]]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  if [[ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >/proc/sys/fs/binfmt_misc/register
  fi
  gcc -m32 -O2 -shared -fPIC scripts/wine/qemu_fixes.c -o "$work/qemu_fixes.so" -ldl
  export QEMU_SET_ENV="LD_PRELOAD=$root/$work/qemu_fixes.so"
  # A new thread starts on its creator's thread data under qemu; it must not
  # register that data's restartable-sequence area a second time.
  export GLIBC_TUNABLES=glibc.pthread.rseq=0
fi

echo "== Wine: gaugebench.exe on the .gau files"
ulimit -c 0
export WINEPREFIX=$root/$work/prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# A scratch home whose ALSA configuration sends the default device to a file.
export HOME=$root/$work/home
mkdir -p "$HOME"
printf 'pcm.!default { type file; slave.pcm { type null }; file "%s"; format "wav" }\n' \
  "$root/$work/capture.wav" >"$HOME/.asoundrc"
rm -f "$work/validate.status"
xvfb-run -a -s "-screen 0 1024x768x24" bash scripts/wine-checks.sh --session "$native"

# Every trace and status as the native run's.
failures=0
for bits in 24 53 64; do
  out=$work/x87-$bits
  same=0
  for script in "${scripts[@]}"; do
    trace=${script%.bench}.trace
    want=$(grep -F " $script" "$work/native/status.txt" | head -1 | cut -d' ' -f1)
    got=$( (grep -F " $script" "$out/status.txt" 2>/dev/null || true) | head -1 | cut -d' ' -f1)
    if [[ -z $got ]]; then
      echo "x87 $bits: $script: no result from gaugebench.exe (see $out.log)"
    elif [[ $got != "$want" ]]; then
      echo "x87 $bits: $script: exit status $got, natively $want"
    elif ! cmp -s "$work/native/$trace" "$out/$trace"; then
      echo "x87 $bits: $script: the trace differs from the native one:"
      diff "$work/native/$trace" "$out/$trace" | head -10 || true
    else
      same=$((same + 1))
      continue
    fi
    failures=$((failures + 1))
  done
  echo "x87 $bits bits: $same of ${#scripts[@]} scripts give the native trace and exit status"
done

if [[ -f $work/audio-script ]]; then
  audio_script=$(cat "$work/audio-script")
  if ! cmp -s "$work/native/${audio_script%.bench}.trace" "$work/audio.trace"; then
    echo "audio: $audio_script did not give the native trace (see $work/audio.log)"
    failures=$((failures + 1))
  fi
  # Silence is all zero bytes in any sample format; the click is not.
  heard=0
  if [[ -f $work/capture.wav ]]; then
    heard=$(tail -c +45 "$work/capture.wav" | tr -d '\000' | wc -c)
  fi
  if ((heard < 64)); then
    echo "audio: no click in $work/capture.wav ($heard non-zero bytes)"
    failures=$((failures + 1))
  else
    echo "audio: the click of $audio_script reached Wine's sound output ($heard non-zero bytes)"
  fi
else
  echo "audio: no scenario plays the dimmer's click"
  failures=$((failures + 1))
fi

validate=$(cat "$work/validate.status" 2>/dev/null || echo none)
if [[ $validate == 0 ]]; then
  echo "validate: the four modules pass every check under Wine"
else
  echo "validate: gaugebench.exe validate under Wine ended with status $validate:"
  grep -v '^ALSA lib' "$work/validate.log" | head -40 || true
  failures=$((failures + 1))
fi

if ((failures > 0)); then
  echo "wine-checks: $failures failure(s)" >&2
  exit 1
fi
echo "wine-checks: every script gives the native trace under Wine at every x87 precision"
