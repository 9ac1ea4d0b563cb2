#!/usr/bin/env bash
# Peak resident memory of importing an encrypted iPhone backup whose one attachment is large,
# against the same import from the plain Notes container: decryption goes piece by piece, so
# the backup costs about what the container does, whatever the attachment's size.
#
#   bench/backup_memory.sh [ATTACHMENT_MIB=256] [BUILD=build/release]
#
# Needs the release (or any) build of quillmere-notes-import, python3 and openssl, and the
# shared Notes container fixture. Everything goes below one fresh directory in $TMPDIR (or
# /tmp), removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

mib=${1:-256}
build=${2:-build/release}
importer=$build/cli/quillmere-notes-import
fixture=../shared/notestore-fixtures/macOS-15-container

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmere-backup-memory.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/tmp" "$work/home"
export TMPDIR=$work/tmp HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
    XDG_DATA_HOME=$work/home/.local/share

# The container with its one attachment, bitcoin.pdf, grown to the size asked for.
cp -r "$fixture" "$work/container"
attachment=$(find "$work/container/Accounts" -type f -name '*.pdf' | head -n 1)
chmod -R u+w "$work/container"
head -c "$((mib * 1024 * 1024))" /dev/urandom >>"$attachment"
python3 tests/support/make_ios_backup.py --container "$work/container" --out "$work/backup" \
    --password bench
printf 'bench\n' >"$work/password"

peak() {  # prints the importer's peak resident KiB and checks that it wrote the attachment
    /usr/bin/time -f '%M' -o "$work/time" "$importer" --quiet --no-open "$@" \
        >"$work/last" 2>"$work/log" || { cat "$work/log" >&2; exit 1; }
    if ! find "$(tail -n 1 "$work/last")" -name '*.pdf' -size +$((mib * 1024 - 1))k | grep -q .; then
        echo "the attachment was not written" >&2
        exit 1
    fi
    cat "$work/time"
}

container_kib=$(peak --library "$work/container")
backup_kib=$(peak --library "$work/backup" --backup-password-file "$work/password")
echo "attachment ${mib} MiB: container ${container_kib} KiB peak, encrypted backup ${backup_kib} KiB peak"
