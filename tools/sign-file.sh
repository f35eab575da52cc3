#!/usr/bin/env bash
# sign-file.sh FILE...: signs each file in place (Authenticode, SHA-256) with the PKCS#12 certificate
# named by DORMELLO_SIGN_PFX (its password in DORMELLO_SIGN_PASSWORD), with an RFC 3161 timestamp
# from DORMELLO_SIGN_TIMESTAMP when that names a timestamping address. Used by tools/package.sh,
# and by the setup script for the uninstaller it writes. A file that cannot be signed is left
# as it was, and the script fails saying why.
set -euo pipefail
: "${DORMELLO_SIGN_PFX:?sign-file.sh: DORMELLO_SIGN_PFX names no certificate}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password goes through a file only this user can read, never on a command line.
(umask 077 && printf '%s' "${DORMELLO_SIGN_PASSWORD:-}" > "$work/password")
for file in "$@"; do
    args=(sign -pkcs12 "$DORMELLO_SIGN_PFX" -readpass "$work/password" -h sha256 -n "Korvane Dormello")
    [ -n "${DORMELLO_SIGN_TIMESTAMP:-}" ] && args+=(-ts "$DORMELLO_SIGN_TIMESTAMP")
    if ! osslsigncode "${args[@]}" -in "$file" -out "$work/signed" >"$work/log" 2>&1; then
        echo "sign-file.sh: could not sign $file:" >&2
        grep -v '^$' "$work/log" | tail -n 3 >&2
        exit 1
    fi
    cat "$work/signed" > "$file"
    rm -f "$work/signed"
done
