# Private settings for a demo run, so that the user's own sites and settings stay untouched, and
# the site "Demo" on the demo FTP server (scripts/demo_server.sh) as the current site, so that
# brindleftp connects to it at start.
# Usage: source scripts/demo_site.sh
#   demo_settings_use FOLDER: the programs started afterwards keep their settings, logs and cache
#       under FOLDER (XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME)
#   demo_site_save CLI PORT [LOCALDIR]: saves "Demo" (127.0.0.1:PORT, user test, password secret,
#       remembered) with the brindleftp-cli at CLI and makes it current; LOCALDIR is the local
#       folder it opens
#   demo_settings_set KEY VALUE: one value of the settings store, such as Settings/FirstRun 0

demo_settings_use() {
    export XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" XDG_CACHE_HOME="$1/cache"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
    chmod 700 "$1"
}

# brindleftp-cli has no command for the values outside the sites; the store is one SQLite table.
demo_settings_set() {
    mkdir -p -m 700 "$XDG_CONFIG_HOME/brindleftp"
    /usr/bin/python3 - "$XDG_CONFIG_HOME/brindleftp/preferences.sqlite" "$1" "$2" <<'EOF'
import sqlite3, sys
store = sqlite3.connect(sys.argv[1])
store.execute("CREATE TABLE IF NOT EXISTS preferences(key TEXT PRIMARY KEY, value TEXT NOT NULL)")
store.execute("INSERT INTO preferences(key, value) VALUES(?, ?) "
              "ON CONFLICT(key) DO UPDATE SET value = excluded.value", (sys.argv[2], sys.argv[3]))
store.commit()
EOF
}

demo_site_save() {
    local cli=$1 port=$2 local_dir=${3:-}
    "$cli" --server "127.0.0.1:$port" --user test --password secret site-save Demo \
        --remember-password || return 1
    demo_settings_set Settings/Current Demo || return 1
    if [ -n "$local_dir" ]; then
        demo_settings_set FTPAccounts/Demo/RecentLocalDirectory "$local_dir" || return 1
    fi
}
