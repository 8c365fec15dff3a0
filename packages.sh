# The Debian packages the project needs, and the function that installs the missing ones. Sourced
# by ./run and bench/run.

# Building and running the program: compiler and build tools (the test trees build with Ninja), Qt 6 (with WebEngine, multimedia,
# SVG and Qt's own Chinese translations), the X client library the windows read their frames
# with, GIO (GNOME's do-not-disturb setting), zlib (the page fetch decodes compressed answers
# itself), the HTTP library of the development service and the TLS library its header calls into
# (Debian 13's is built with it), GoogleTest and GoogleMock (Debian 13's libgtest-dev no longer
# brings the latter), and a font for the Chinese captions. Every name here is the same on Debian 12
# and 13.
BUILD_PACKAGES=(cmake g++ make ninja-build pkg-config qt6-base-dev qt6-webengine-dev qt6-webchannel-dev
  qt6-multimedia-dev libqt6webenginecore6-bin qt6-qpa-plugins qt6-svg-dev libxcb1-dev
  libglib2.0-dev zlib1g-dev libcpp-httplib-dev libssl-dev libgtest-dev libgmock-dev
  fonts-wqy-microhei qt6-translations-l10n)
# The Debian package (./run package, and the tests that make one): CPack finds the program's
# library packages with dpkg-shlibdeps (dpkg-dev), which needs file to tell the binaries.
PACKAGE_PACKAGES=(dpkg-dev file)
# The formatter the sources are checked with: one version on every release (Debian 12 and 13 both
# have clang-format 19), so the check gives the same verdict everywhere. Its package and its
# command have the same name.
FORMATTER=clang-format-19
# The headless desktop the end-to-end tests run in: X server, openbox, tray host, sound server with
# its command-line client, input and window tools, a private session bus.
HEADLESS_DESKTOP=(xvfb xauth openbox wmctrl trayer pulseaudio pulseaudio-utils xdotool x11-utils
  dbus-daemon)
# The tests: that desktop and the other window managers (GNOME's mutter, KDE's KWin with its Breeze
# decoration), screenshots, the X client library the harness reads windows with, the session bus's
# command-line clients (dbus-send, and systemd's busctl, which dunstctl uses), GNOME's settings
# schemas for its do-not-disturb, Debian's dunst (a real notification server that the bus starts
# on demand), the validator the desktop entries are checked with and GLib's launcher that starts
# them, the formatter the sources are checked with, and what makes and checks the Debian package.
TEST_PACKAGES=("${HEADLESS_DESKTOP[@]}" mutter kwin-x11 breeze imagemagick libxcb1-dev dbus-bin
  systemd gsettings-desktop-schemas dunst desktop-file-utils libglib2.0-bin "$FORMATTER"
  "${PACKAGE_PACKAGES[@]}" lintian)
# On a member's desktop: the libproxy plugins through which the page fetch (Qt Network) reads the
# proxy as the browser engine does in a KDE Plasma session: KDE's settings, and the runner for
# automatic (PAC) configuration. Not GNOME's: the engine reads none of those (README, Proxies).
# Debian 13's libproxy has them built in; there the names are empty transitional packages.
DESKTOP_PACKAGES=(libproxy1-plugin-kconfig libproxy1-plugin-webkit)
# The sanitizer and fuzzing tree is built with clang and its runtime libraries (libFuzzer among
# them); both test trees link with lld, in a quarter of the time of the default linker.
SANITIZER_PACKAGES=(clang libclang-rt-dev lld)

# Installs those of the given packages that are missing (through sudo when not root). The package
# lists are brought up to date once per run.
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${missing[*]}"
  if [ -z "${ZV_PACKAGE_LISTS_FRESH:-}" ]; then
    "${sudo[@]}" apt-get update -qq
    export ZV_PACKAGE_LISTS_FRESH=1
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
