# Installs the Debian packages that are missing (and nothing else); safe to run again.
# Usage: source scripts/deps.sh; ensure_packages NAME...
ensure_packages() {
    local missing=()
    local name
    for name in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$name")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building and running the program needs (qt6-wayland: its windows on a Wayland desktop;
# libqt6svg6: Qt's plugin that draws its SVG icon).
BRINDLE_BUILD_PACKAGES=(build-essential cmake ninja-build g++ libssl3 openssl unzip
                        libsqlite3-dev python3-pyftpdlib qt6-base-dev qt6-wayland libqt6svg6)
# What the tests need besides (python3-cryptography: the tests' private certificate authority;
# xvfb, xauth and xdotool: the program on a real X server, pressed keys; desktop-file-utils: the
# check of the installed desktop entry).
BRINDLE_TEST_PACKAGES=(libgtest-dev libgmock-dev clang libclang-rt-dev clang-format python3-openssl
                       python3-cryptography vsftpd xvfb xauth xdotool desktop-file-utils)
