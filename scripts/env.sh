# Shared by the scripts: where things are, and the Wine settings that keep runs quiet and fast.
QM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QM_BUILD=${QM_BUILD_DIR:-$QM_ROOT/build}
export WINEDEBUG=${WINEDEBUG:--all}
# Never offer to install Mono or Gecko: a modal prompt would hang an unattended run.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The one clang-format the sources are checked and formatted with (scripts/check-format), and
# the package that brings it (scripts/setup): versions differ in how they lay out some code, so
# the style is that of one major version, Debian 12's.
QM_CLANG_FORMAT=clang-format-14

# Wine is started with the address space laid out without randomisation. Debian's 64-bit Wine
# has no preloader to reserve Windows' fixed addresses before Linux fills them, and the kernel
# puts a process's Linux heap anywhere up to 1 GB above wine64's image at 0x7d000000. About one
# start in four thousand that heap already covers 0x7ffe0000, where every Windows program finds
# the shared user data; Wine then ends the process at once with exit code 1 ("failed to map the
# shared user data", hidden with WINEDEBUG=-all). Without randomisation the heap starts right
# after the image, 47 MB below. Processes started from Wine inherit the setting.
# (setarch is part of util-linux; where it is missing, Wine starts as it is.)
QM_FIXED_LAYOUT=()
if command -v setarch >/dev/null 2>&1; then QM_FIXED_LAYOUT=(setarch "$(uname -m)" -R); fi

qm_build() {
  # ccache, where installed, lets several checkouts of the tree share their compiled objects.
  local launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$QM_ROOT")}
  fi
  # Warnings fail the build here (QM_WERROR=OFF lets a local build go on past them).
  cmake -S "$QM_ROOT" -B "$QM_BUILD" -DCMAKE_TOOLCHAIN_FILE="$QM_ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WERROR="${QM_WERROR:-ON}" "${launcher[@]}" >/dev/null
  local log="$QM_BUILD/build.log"
  if ! cmake --build "$QM_BUILD" --parallel "$(nproc)" >"$log" 2>&1; then
    grep -E -B2 -A6 'error|Error' "$log" | head -80 >&2
    echo "build failed; the whole log is $log" >&2
    return 1
  fi
  # Warnings are part of the verdict on the build: show them.
  grep -E 'warning:' "$log" >&2 || true
}

# Runs a command in a Wine session of its own, as the test run, the benchmarks and the
# screenshots do: a fresh throw-away 64-bit prefix $QM_BUILD/NAME (exported as WINEPREFIX), a
# virtual display of WIDTHxHEIGHT, the address space laid out without randomisation, and one
# wineserver kept for the whole session, so that each program starts in milliseconds, and
# stopped at its end. Its windows are unmanaged: without a window manager, hiding a captioned
# window makes Wine wait two seconds for a manager that never answers, while unmanaged windows
# close at once, so modal dialogs (and a program's start) stay quick. The exit code is the
# command's.
#   qm_wine_session NAME WIDTHxHEIGHT command [argument ...]
qm_wine_session() {
  local name=$1 screen=$2
  shift 2
  export WINEARCH=win64 WINEPREFIX="$QM_BUILD/$name"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "${QM_FIXED_LAYOUT[@]}" xvfb-run -a -s "-screen 0 ${screen}x24" bash -c '
    wineserver -p
    wine cmd /c exit >/dev/null 2>&1 || true
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 || true
    "$@"
    verdict=$?
    wineserver -k >/dev/null 2>&1 || true
    exit $verdict
  ' qm-wine-session "$@"
}

# Gives a Wine prefix Wine's own "MS Sans Serif", which this Wine build does not find by
# itself: without it the forms drawn in that font (the About box) get a wider substitute and
# their texts no longer fit the places they have on Windows. Run after the prefix is made.
qm_wine_fonts() {
  local fonts="$1/drive_c/windows/Fonts"
  [ -d "$fonts" ] || return 0
  cp -n /usr/share/wine/fonts/sserife*.fon /usr/share/wine/fonts/ms_sans_serif.ttf "$fonts/" \
    2>/dev/null || true
}
