# Sourced by the set-up scripts: installs the Debian packages a script needs
# when they are missing (apt-get, as root), or says how to install them.

need_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
      grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "fldren needs these Debian packages: ${missing[*]}" >&2
    echo "install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "installing ${missing[*]} (a few minutes on a fresh machine)"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  # apt's own progress, rather than a silent minute.
  apt-get install -y --no-install-recommends "${missing[@]}"
}

# The native build's tools, and OpenSSL's libcrypto, whose digests the
# Linux build uses (the Windows build uses the system's own).
BUILD_PACKAGES=(cmake make g++ python3 libssl-dev)
# The tests' tools, the Windows cross-build run under Wine, groff to
# render the manual pages, and a browser to render the report page.
TEST_PACKAGES=(googletest g++-mingw-w64-x86-64-posix wine wine64 clang-format
  groff-base chromium)
