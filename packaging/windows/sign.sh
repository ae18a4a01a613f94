#!/usr/bin/env bash
# Signs Windows programs in place (Authenticode, SHA-256) with the
# certificate that ZELVAN_SIGN_PFX names (a PKCS#12 file) and the password in
# ZELVAN_SIGN_PASSWORD; ZELVAN_SIGN_TIMESTAMP, when set, is the time-stamp
# server's address. Both come from the environment, never from the tree.
# Without ZELVAN_SIGN_PFX it does nothing, so that unsigned builds stay
# possible: `make windows` and the installer's build call it always.
#
# Usage: packaging/windows/sign.sh FILE.exe|FOLDER...
# A folder stands for every .exe directly in it (the programs of the stage).
set -euo pipefail
[ -n "${ZELVAN_SIGN_PFX:-}" ] || exit 0
[ -f "$ZELVAN_SIGN_PFX" ] || { echo "sign.sh: ZELVAN_SIGN_PFX=$ZELVAN_SIGN_PFX is no file" >&2; exit 1; }
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is missing" >&2; exit 1; }

files=()
for argument in "$@"; do
    if [ -d "$argument" ]; then
        files+=("$argument"/*.exe)
    else
        files+=("$argument")
    fi
done
for file in "${files[@]}"; do
    signed=$file.signing
    rm -f "$signed"
    arguments=(sign -pkcs12 "$ZELVAN_SIGN_PFX" -h sha256 -n "Zelvan" -i "https://www.orvane.example/"
        -in "$file" -out "$signed")
    [ -n "${ZELVAN_SIGN_TIMESTAMP:-}" ] && arguments+=(-ts "$ZELVAN_SIGN_TIMESTAMP")
    # The password through a pipe, not on a command line others can read.
    if ! osslsigncode "${arguments[@]}" -readpass <(printf '%s' "${ZELVAN_SIGN_PASSWORD:-}") >/dev/null; then
        rm -f "$signed"
        echo "sign.sh: could not sign $file" >&2
        exit 1
    fi
    # Keeps the file's mode; the signed copy replaces it whole.
    chmod --reference="$file" "$signed"
    mv -f "$signed" "$file"
done
