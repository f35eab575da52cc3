#!/usr/bin/env python3
"""check_release.py DIST VERSION: the release that tools/package.sh made. The winget manifests parse
as YAML, agree with each other and name the setup file by its SHA-256; the setup and every program
and library in both zips carry the signature that BUILDINFO names (or none, when it says so).
Ends with "N passed, N failed"."""
import hashlib
import os
import subprocess
import sys
import tempfile
import zipfile

import yaml


def signer(path, scratch):
    """The subject of the certificate that signed the file (RFC 2253), or None when it is unsigned."""
    # PEM: the raw form differs between osslsigncode versions (2.5 keeps the certificate table's header).
    signature = os.path.join(scratch, "signature.pem")
    if subprocess.run(["osslsigncode", "extract-signature", "-pem", "-in", path, "-out", signature],
                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode != 0:
        return None
    certificates = subprocess.run(["openssl", "pkcs7", "-in", signature, "-print_certs", "-noout"],
                                  capture_output=True, text=True).stdout
    os.remove(signature)
    subjects = [line.split("=", 1)[1].strip() for line in certificates.splitlines() if line.startswith("subject=")]
    return ",".join(subjects) if subjects else ""


def signature_checks(dist, version, setup):
    with open(os.path.join(dist, "Korvane-Dormello-%s-BUILDINFO.txt" % version), encoding="utf-8") as f:
        named = [line.split(":", 1)[1].strip() for line in f if line.startswith("signature:")][0]
    expected = None if named == "none" else common_name(named)
    checks = []
    with tempfile.TemporaryDirectory() as scratch:
        files = [setup]
        for arch in ("i686", "x86_64"):
            with zipfile.ZipFile(os.path.join(dist, "Korvane-Dormello-%s-%s.zip" % (version, arch))) as archive:
                for name in archive.namelist():
                    if name.lower().endswith((".exe", ".dll")):
                        files.append(archive.extract(name, os.path.join(scratch, arch)))
        for path in files:
            found = signer(path, scratch)
            ok = found is None if expected is None else found is not None and expected in found
            checks.append(("signature of " + os.path.relpath(path, scratch if path != setup else dist), ok))
    return checks


def common_name(subject):
    """The common name of an RFC 2253 subject ("CN=Korvane Dormello Test Signing,O=...")."""
    return [part.strip()[3:] for part in subject.split(",") if part.strip().startswith("CN=")][0]


def main():
    dist, version = sys.argv[1], sys.argv[2]
    folder = os.path.join(dist, "winget", "manifests", "k", "Korvane", "Dormello", version)
    setup = os.path.join(dist, "Korvane-Dormello-%s-setup.exe" % version)
    with open(setup, "rb") as f:
        setup_sha = hashlib.sha256(f.read()).hexdigest().upper()
    manifests = {}
    for kind, name in (("version", "Korvane.Dormello.yaml"), ("defaultLocale", "Korvane.Dormello.locale.en-US.yaml"),
                       ("installer", "Korvane.Dormello.installer.yaml")):
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            manifests[kind] = yaml.safe_load(f)
    installer = manifests["installer"]
    checks = [(kind + " manifest type", manifest.get("ManifestType") == kind) for kind, manifest in manifests.items()]
    checks += [(kind + " schema 1.6", manifest.get("ManifestVersion") == "1.6.0") for kind, manifest in manifests.items()]
    checks += [(kind + " names the package", manifest.get("PackageIdentifier") == "Korvane.Dormello"
                and str(manifest.get("PackageVersion")) == version) for kind, manifest in manifests.items()]
    checks += [
        ("default locale", manifests["version"].get("DefaultLocale") == manifests["defaultLocale"].get("PackageLocale")),
        ("nullsoft, machine, elevates itself", (installer.get("InstallerType"), installer.get("Scope"),
                                                installer.get("ElevationRequirement")) == ("nullsoft", "machine", "elevatesSelf")),
        ("silent switches", installer.get("InstallerSwitches", {}).get("Silent") == "/S"),
        ("setup's own codes", sorted(c["InstallerReturnCode"] for c in installer.get("ExpectedReturnCodes", [])) == [3, 4]),
        ("x86 and x64", sorted(i["Architecture"] for i in installer.get("Installers", [])) == ["x64", "x86"]),
        ("the setup's SHA-256", all(i.get("InstallerSha256") == setup_sha for i in installer.get("Installers", []))),
        ("the setup's file", all(i.get("InstallerUrl", "").endswith("/" + os.path.basename(setup))
                                 for i in installer.get("Installers", []))),
    ]
    checks += signature_checks(dist, version, setup)
    failed = [name for name, ok in checks if not ok]
    for name in failed:
        print("failed: " + name)
    print("%d passed, %d failed" % (len(checks) - len(failed), len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
