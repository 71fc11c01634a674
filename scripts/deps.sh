# Debian packages the build and the tests need; sourced by the other scripts.
# shellcheck shell=bash

tessaly_packages=(
  build-essential cmake ninja-build pkg-config clang clang-tidy libclang-rt-dev python3
  libcli11-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev libsqlite3-dev libpcsclite-dev
  pcscd vsmartcard-vpcd
)

# Installs the packages that are missing. Needs root (or passwordless sudo) on Debian.
tessaly_install_packages() {
  local missing=()
  local pkg
  for pkg in "${tessaly_packages[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
      sudo="sudo -n"
    else
      echo "These Debian packages are needed but missing: ${missing[*]}" >&2
      echo "Install them as root: apt-get install -y ${missing[*]}" >&2
      return 1
    fi
  fi
  if ! command -v apt-get >/dev/null 2>&1; then
    echo "apt-get is not available; install these packages by hand: ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq || { echo "apt-get update failed" >&2; return 1; }
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" || {
    echo "apt-get install failed for: ${missing[*]}" >&2
    return 1
  }
}
