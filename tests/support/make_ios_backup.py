#!/usr/bin/env python3
"""Makes an iPhone or iPad backup folder that holds a Notes container, for the tests.

    make_ios_backup.py --container DIR --out DIR [--password PW] [--dpic N] [--iter N]

The backup has Info.plist, Status.plist, Manifest.plist and Manifest.db (table Files) and each
file at <first two hex digits of fileID>/<fileID>, fileID being the SHA-1 of
"domain-relativePath". Every file and folder below the container goes into the domain
"AppDomainGroup-group.com.apple.notes" under its path relative to the container, beside one file
of another domain. With --password the backup is encrypted: a keybag whose class keys are
wrapped under the password's key (PBKDF2-HMAC-SHA256 over DPSL/DPIC, then PBKDF2-HMAC-SHA1 over
SALT/ITER), each file AES-256-CBC with a zero IV under a key of its own, Manifest.db under
ManifestKey.

The cryptography takes another road than the importer's: Python's hashlib for PBKDF2 and the
openssl command for AES key wrap and AES-CBC, so a mistake made in one cannot hide in the other.
"""

import argparse
import datetime
import hashlib
import os
import plistlib
import sqlite3
import struct
import subprocess
import sys
import tempfile

NOTES_DOMAIN = "AppDomainGroup-group.com.apple.notes"
PROTECTION_CLASS = 3  # until first unlock, as Notes keeps its files
MANIFEST_CLASS = 4
CLASSES = range(1, 12)


def openssl(args, data):
    return subprocess.run(["openssl"] + args, input=data, stdout=subprocess.PIPE,
                          check=True).stdout


def wrap_key(kek, key):
    return openssl(["enc", "-id-aes256-wrap", "-K", kek.hex(), "-iv", "A6A6A6A6A6A6A6A6"], key)


def encrypt_cbc(key, data):
    return openssl(["enc", "-aes-256-cbc", "-K", key.hex(), "-iv", "00" * 16], data)


def tlv(tag, value):
    if isinstance(value, int):
        value = struct.pack(">I", value)
    return tag.encode() + struct.pack(">I", len(value)) + value


def file_id(domain, relative_path):
    return hashlib.sha1(f"{domain}-{relative_path}".encode()).hexdigest()


class Keybag:
    def __init__(self, password, dpic, iterations, record_dpic, record_iter, dpsl):
        self.class_keys = {c: os.urandom(32) for c in CLASSES}
        salt, dp_salt = os.urandom(20), os.urandom(20)
        key = password.encode()
        if dpsl:
            key = hashlib.pbkdf2_hmac("sha256", key, dp_salt, dpic, 32)
        key = hashlib.pbkdf2_hmac("sha1", key, salt, iterations, 32)
        records = [tlv("VERS", 3), tlv("TYPE", 1), tlv("UUID", os.urandom(16)),
                   tlv("HMCK", os.urandom(40)), tlv("WRAP", 0), tlv("SALT", salt),
                   tlv("ITER", record_iter or iterations)]
        if dpsl:
            records += [tlv("DPWT", 1), tlv("DPIC", record_dpic or dpic), tlv("DPSL", dp_salt)]
        for c, class_key in self.class_keys.items():
            records += [tlv("UUID", os.urandom(16)), tlv("CLAS", c), tlv("WRAP", 2),
                        tlv("KTYP", 0), tlv("WPKY", wrap_key(key, class_key))]
        self.bytes = b"".join(records)

    def wrapped_file_key(self, protection_class):
        key = os.urandom(32)
        return key, wrap_key(self.class_keys[protection_class], key)


def file_record(relative_path, size, mode, flags, wrapped=None):
    now = int(datetime.datetime(2024, 5, 1, tzinfo=datetime.timezone.utc).timestamp())
    objects = ["$null"]
    record = {"RelativePath": plistlib.UID(2), "Size": size, "Mode": mode, "Flags": 0,
              "ProtectionClass": PROTECTION_CLASS, "LastModified": now, "Birth": now,
              "LastStatusChange": now, "InodeNumber": 1000, "UserID": 501, "GroupID": 501}
    objects += [record, relative_path]
    if wrapped is not None:
        record["EncryptionKey"] = plistlib.UID(len(objects))
        objects.append({"NS.data": struct.pack("<I", PROTECTION_CLASS) + wrapped,
                        "$class": plistlib.UID(len(objects) + 1)})
        objects.append({"$classname": "NSMutableData",
                        "$classes": ["NSMutableData", "NSData", "NSObject"]})
    record["$class"] = plistlib.UID(len(objects))
    objects.append({"$classname": "MBFile", "$classes": ["MBFile", "NSObject"]})
    archive = {"$version": 100000, "$archiver": "NSKeyedArchiver",
               "$top": {"root": plistlib.UID(1)}, "$objects": objects}
    return plistlib.dumps(archive, fmt=plistlib.FMT_BINARY)


def entries(container, strip_account):
    """(relativePath, source file or None for a folder), the container's own folder first."""
    yield "", None
    for directory, folders, files in os.walk(container):
        folders.sort()
        for name in folders + sorted(files):
            path = os.path.join(directory, name)
            relative = os.path.relpath(path, container)
            if strip_account:
                parts = relative.split("/")
                if len(parts) < 3 or parts[0] != "Accounts":
                    if parts[0] == "Accounts":
                        continue
                else:
                    relative = "/".join(parts[2:])
            yield relative, (path if os.path.isfile(path) else None)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--container", help="the Notes container folder to put in the backup")
    parser.add_argument("--out", required=True, help="the backup folder, made here")
    parser.add_argument("--password", help="encrypt the backup with this password")
    parser.add_argument("--dpic", type=int, default=10, help="SHA-256 rounds")
    parser.add_argument("--iter", type=int, default=10, help="SHA-1 rounds")
    parser.add_argument("--record-dpic", type=int, help="the DPIC written, not the one used")
    parser.add_argument("--record-iter", type=int, help="the ITER written, not the one used")
    parser.add_argument("--cut-keybag", type=int, help="keep only this many keybag bytes")
    parser.add_argument("--no-dpsl", action="store_true", help="one derivation step only")
    parser.add_argument("--strip-account", action="store_true",
                        help="leave out the Accounts/<id>/ prefix, as old backups do")
    args = parser.parse_args()

    out = args.out
    os.makedirs(out)
    keybag = Keybag(args.password or "", args.dpic, args.iter, args.record_dpic,
                    args.record_iter, not args.no_dpsl)
    encrypted = args.password is not None

    rows = []
    other = ("HomeDomain", "Library/Preferences/com.example.settings.plist",
             plistlib.dumps({"a": 1}, fmt=plistlib.FMT_BINARY))
    listing = [(relative, source) for relative, source in
               (entries(args.container, args.strip_account) if args.container else [])]
    for domain, relative, content in [(NOTES_DOMAIN, r, s) for r, s in listing] + [other]:
        fid = file_id(domain, relative)
        if content is None:
            rows.append((fid, domain, relative, 2, file_record(relative, 0, 0o40755, 2)))
            continue
        if isinstance(content, str):
            with open(content, "rb") as source:
                content = source.read()
        wrapped = None
        stored = content
        if encrypted:
            key, wrapped = keybag.wrapped_file_key(PROTECTION_CLASS)
            stored = encrypt_cbc(key, content)
        os.makedirs(os.path.join(out, fid[:2]), exist_ok=True)
        with open(os.path.join(out, fid[:2], fid), "wb") as target:
            target.write(stored)
        rows.append((fid, domain, relative, 1,
                     file_record(relative, len(content), 0o100644, 1, wrapped)))

    with tempfile.TemporaryDirectory() as scratch:
        database = os.path.join(scratch, "Manifest.db")
        connection = sqlite3.connect(database)
        connection.executescript(
            "CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT,"
            " flags INTEGER, file BLOB);"
            "CREATE INDEX FilesDomainIdx ON Files(domain);"
            "CREATE INDEX FilesRelativePathIdx ON Files(relativePath);"
            "CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB);")
        connection.executemany("INSERT INTO Files VALUES (?, ?, ?, ?, ?)", rows)
        connection.commit()
        connection.close()
        with open(database, "rb") as source:
            manifest_db = source.read()

    keybag_bytes = keybag.bytes[:args.cut_keybag] if args.cut_keybag else keybag.bytes
    manifest = {"Version": "10.0", "SystemDomainsVersion": "24.0", "IsEncrypted": encrypted,
                "WasPasscodeSet": False, "BackupKeyBag": keybag_bytes,
                "Date": datetime.datetime(2024, 5, 1, 12, 0, 0),
                "Lockdown": {"ProductVersion": "17.5", "DeviceName": "Test iPhone",
                             "ProductType": "iPhone15,2", "BuildVersion": "21F79"},
                "Applications": {}}
    if encrypted:
        key, wrapped = keybag.wrapped_file_key(MANIFEST_CLASS)
        manifest["ManifestKey"] = struct.pack("<I", MANIFEST_CLASS) + wrapped
        manifest_db = encrypt_cbc(key, manifest_db)
    with open(os.path.join(out, "Manifest.db"), "wb") as target:
        target.write(manifest_db)
    with open(os.path.join(out, "Manifest.plist"), "wb") as target:
        plistlib.dump(manifest, target, fmt=plistlib.FMT_BINARY)
    with open(os.path.join(out, "Info.plist"), "wb") as target:
        plistlib.dump({"Device Name": "Test iPhone", "Product Version": "17.5",
                       "Product Type": "iPhone15,2", "Display Name": "Test iPhone"}, target)
    with open(os.path.join(out, "Status.plist"), "wb") as target:
        plistlib.dump({"Version": "3.3", "IsFullBackup": False, "SnapshotState": "finished",
                       "BackupState": "new",
                       "Date": datetime.datetime(2024, 5, 1, 12, 0, 0)},
                      target, fmt=plistlib.FMT_BINARY)
    return 0


if __name__ == "__main__":
    sys.exit(main())
