#!/usr/bin/env python3
"""check_winget.py DIST VERSION: the winget manifests that tools/package.sh wrote parse as YAML,
agree with each other, and name the setup file by its SHA-256. Ends with "N passed, N failed"."""
import hashlib
import os
import sys

import yaml


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
    failed = [name for name, ok in checks if not ok]
    for name in failed:
        print("failed: " + name)
    print("%d passed, %d failed" % (len(checks) - len(failed), len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
