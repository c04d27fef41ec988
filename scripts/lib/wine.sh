# Shared by scripts/run and tests/wine/run: the locales, the private Wine prefix and the virtual
# display the Windows program runs in. Source it; every function fails loudly.

# shellcheck source=scripts/lib/process.sh
source "$(dirname "${BASH_SOURCE[0]}")/process.sh"

# Wine takes the user's language from LANG, but only from a locale the C library has: without
# zh_CN.UTF-8 generated, LANG=zh_CN.UTF-8 falls back to English (0x0409).
vantrel_locales() {
  local missing=() want
  for want in zh_CN en_US; do
    locale -a 2>/dev/null | grep -qix "${want}.utf-\?8" || missing+=("$want")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  for want in "${missing[@]}"; do
    if grep -q "^# *${want}.UTF-8 UTF-8" /etc/locale.gen; then
      $sudo sed -i "s/^# *\(${want}.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^${want}.UTF-8 UTF-8" /etc/locale.gen; then
      echo "${want}.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    fi
  done
  $sudo locale-gen >/dev/null
}

# The Wine environment of every run: 64-bit, quiet, no Mono/Gecko prompts.
vantrel_wine_env() {
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# A REG_MULTI_SZ value of one string, as a .reg file writes it.
vantrel_reg_multi_sz() {
  printf '%s\0\0' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 |
    tr -s ' \n' ',' | sed 's/^,//; s/,$//'
}

# vantrel_wine_prefix DIR [DESKTOP]: a fresh prefix in DIR (created quietly), with the CJK font
# linked behind the dialog fonts so Chinese texts show, and, when DESKTOP (WxH) is given, Wine's
# own virtual desktop, which draws the windows' frames and captions without a window manager.
vantrel_wine_prefix() {
  local dir=$1 desktop=${2:-}
  vantrel_wine_env
  export WINEPREFIX=$dir
  mkdir -p "$dir"
  if ! timeout 300 wineboot -i >"$dir/wineboot.log" 2>&1 </dev/null; then
    echo "wine: the prefix in $dir was not made within 300 s (see $dir/wineboot.log)" >&2
    return 1
  fi
  # Wine's own fonts (fonts-wine: Tahoma, and Marlett for the caption buttons) where the prefix
  # looks for fonts; Debian's Wine does not find them in its data folder by itself.
  local fonts="$dir/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  for font in /usr/share/wine/fonts/*.ttf; do
    [ -e "$font" ] && ln -sf "$font" "$fonts/"
  done
  local font link reg="$dir/vantrel.reg"
  link=$(vantrel_reg_multi_sz "wqy-microhei.ttc,WenQuanYi Micro Hei")
  {
    echo 'Windows Registry Editor Version 5.00'
    echo
    echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]'
    for font in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" \
      "Lucida Sans Unicode" "Segoe UI"; do
      echo "\"$font\"=hex(7):$link"
    done
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
    for font in "SimSun" "NSimSun" "宋体" "新宋体" "Microsoft YaHei" "微软雅黑" "SimHei" "黑体"; do
      echo "\"$font\"=\"WenQuanYi Micro Hei\""
    done
    if [ -n "$desktop" ]; then
      echo
      echo '[HKEY_CURRENT_USER\Software\Wine\Explorer]'
      echo '"Desktop"="Default"'
      echo
      echo '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]'
      echo "\"Default\"=\"$desktop\""
    fi
  } >"$reg"
  timeout 120 wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1 </dev/null
  vantrel_wine_server_wait 120
}

# vantrel_wine_server_wait [SECONDS]: until the prefix's Wine server has ended by itself (60 s
# unless given); fails, saying so, when it has not.
vantrel_wine_server_wait() {
  local seconds=${1:-60}
  timeout "$seconds" wineserver -w && return 0
  echo "wine: the Wine server of $WINEPREFIX did not end within $seconds s" >&2
  return 1
}

# Only a folder this shell made is ever removed, never one named by the environment.
unset VANTREL_PRIVATE_DIR

# vantrel_private_dir: a new private folder for the run's secrets (mode 0700, made with mktemp -d
# in XDG_RUNTIME_DIR or TMPDIR): the X cookie, the VNC server's socket, the web page's token. Sets
# VANTREL_PRIVATE_DIR (never taken from the environment); vantrel_xvfb_stop removes it.
vantrel_private_dir() {
  VANTREL_PRIVATE_DIR=$(mktemp -d "${XDG_RUNTIME_DIR:-${TMPDIR:-/tmp}}/vantrel.XXXXXXXX") || {
    VANTREL_PRIVATE_DIR=""
    echo "vantrel: no private folder could be made" >&2
    return 1
  }
}

# vantrel_secret BYTES: that many random bytes in hex, made without a command line holding them.
vantrel_secret() {
  od -An -v -N"$1" -tx1 /dev/urandom | tr -d ' \n'
}

# vantrel_xvfb [WxH]: starts a private X server on a free display, 1280x1024 unless given. It lets
# in only clients that show its cookie, which lives in the private folder: XAUTHORITY names it for
# Wine, x11vnc and the tests. Exports DISPLAY, XAUTHORITY and VANTREL_XVFB_PID, sets
# VANTREL_PRIVATE_DIR; vantrel_xvfb_stop ends it.
vantrel_xvfb() {
  local size=${1:-1280x1024} dir cookie display="" old_umask
  vantrel_private_dir || return 1
  dir=$VANTREL_PRIVATE_DIR
  old_umask=$(umask)
  umask 077
  cookie=$(vantrel_secret 16)
  # The server takes every cookie of its -auth file whatever display it names; the clients' file
  # gets the entry for the display it picks.
  : >"$dir/xvfb.auth"
  : >"$dir/Xauthority"
  printf 'add :0 MIT-MAGIC-COOKIE-1 %s\n' "$cookie" | xauth -q -f "$dir/xvfb.auth" source -
  mkfifo -m 600 "$dir/displayfd"
  Xvfb -displayfd 3 -auth "$dir/xvfb.auth" -screen 0 "${size}x24" -nolisten tcp -noreset \
    3>"$dir/displayfd" </dev/null >/dev/null 2>&1 &
  VANTREL_XVFB_PID=$!
  read -r -t 30 display <"$dir/displayfd" || true
  rm -f "$dir/displayfd"
  if [ -z "$display" ]; then
    umask "$old_umask"
    echo "wine: Xvfb named no display within 30 s" >&2
    return 1
  fi
  printf 'add :%s MIT-MAGIC-COOKIE-1 %s\n' "$display" "$cookie" |
    xauth -q -f "$dir/Xauthority" source -
  umask "$old_umask"
  export DISPLAY=":$display" XAUTHORITY=$dir/Xauthority VANTREL_XVFB_PID
}

# Ends the private X server (within vantrel_stop's bound) and removes the private folder; safe to
# call twice.
vantrel_xvfb_stop() {
  [ -z "${VANTREL_XVFB_PID:-}" ] || vantrel_stop "$VANTREL_XVFB_PID"
  VANTREL_XVFB_PID=""
  if [ -n "${VANTREL_PRIVATE_DIR:-}" ]; then
    rm -rf "$VANTREL_PRIVATE_DIR"
  fi
  VANTREL_PRIVATE_DIR=""
}
