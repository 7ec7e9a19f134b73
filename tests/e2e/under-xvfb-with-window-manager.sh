#!/usr/bin/env bash
# A private X server, as under-xvfb.sh gives, with a window manager on it.
here=$(dirname "$0")
exec "$here/under-xvfb.sh" "$here/with-window-manager.sh" "$@"
