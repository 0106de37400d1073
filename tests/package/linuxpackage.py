#!/usr/bin/env python3
"""The Debian package of the Linux program, as a user gets it.

    linuxpackage.py --build DIR --version X.Y.Z

Builds the package target of the build folder, checks the package's control fields and file
list, validates its desktop entry and AppStream metainfo, and, when run as root (as CI runs),
installs it with dpkg, asks the installed program for its version, checks that the desktop's
databases know the ".ydr" type and the program, and removes and purges it again, leaving
nothing behind. A machine where a zwq-manager package is already installed keeps it: the
install steps are skipped there, saying so.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

COMMAND_LIMIT = 300  # seconds; building the package target includes linking the program
LOCK_RETRY_INTERVAL = 5
MIME_TYPE = "application/x-zwq-book"
DESKTOP_ID = "zwq-manager.desktop"
APPSTREAM_ID = "example.zwq_books.zwq_manager"
ICON_SIZES = (16, 24, 32, 48)

FILES = {
    "/usr/bin/zwq-manager",
    "/usr/share/applications/" + DESKTOP_ID,
    "/usr/share/mime/packages/zwq-manager.xml",
    f"/usr/share/metainfo/{APPSTREAM_ID}.metainfo.xml",
    *(f"/usr/share/icons/hicolor/{size}x{size}/apps/zwq-manager.png" for size in ICON_SIZES),
}
# Libraries the program links, as dpkg-shlibdeps names their packages, and the Russian texts
# of Qt's standard buttons.
NEEDED_PACKAGES = ("libqt6widgets6", "libarchive13", "libstdc++6", "qt6-translations-l10n")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(*command, **options):
    deadline = time.monotonic() + COMMAND_LIMIT
    while True:
        result = subprocess.run(list(command), stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                timeout=COMMAND_LIMIT, **options)
        # dpkg refuses at once while apt or another dpkg holds its lock: wait for it.
        if result.returncode == 0 or "lock" not in result.stderr or time.monotonic() > deadline:
            break
        time.sleep(LOCK_RETRY_INTERVAL)
    check(result.returncode == 0, f"{' '.join(command)} failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    return result.stdout


def build_package(build, version):
    run("cmake", "--build", build, "--target", "package")
    deb = os.path.join(build, "package", f"zwq-manager_{version}_amd64.deb")
    check(os.path.isfile(deb), deb + " was not made")
    return deb


def check_control(deb, version):
    fields = {}
    for line in run("dpkg-deb", "-f", deb).splitlines():
        if line and not line.startswith(" ") and ":" in line:
            name, value = line.split(":", 1)
            fields[name] = value.strip()
    for name, value in (("Package", "zwq-manager"), ("Version", version), ("Architecture", "amd64"),
                        ("Section", "utils")):
        check(fields.get(name) == value, f"{name} is {fields.get(name)!r}, not {value!r}")
    depends = [item.split()[0] for item in fields.get("Depends", "").split(",") if item.strip()]
    for package in NEEDED_PACKAGES:
        check(package in depends, f"Depends lacks {package}: {fields.get('Depends')}")
    check(fields.get("Maintainer") and fields.get("Description"), "Maintainer or Description missing")


def check_file_list(deb):
    listed = set()
    for line in run("dpkg-deb", "-c", deb).splitlines():
        path = line.split()[-1].lstrip(".")
        if not line.startswith("d"):
            listed.add(path)
    check(listed == FILES, f"files differ: extra {sorted(listed - FILES)}, missing {sorted(FILES - listed)}")


def validate(root):
    """The desktop entry and the metainfo under root (an installation or an unpacked package)."""
    desktop = os.path.join(root, "usr/share/applications", DESKTOP_ID)
    run("desktop-file-validate", desktop)
    with open(desktop, encoding="utf-8") as f:
        entry = f.read().splitlines()
    check(f"MimeType={MIME_TYPE};" in entry, "the desktop entry does not open " + MIME_TYPE)
    with open(os.path.join(root, "usr/share/mime/packages/zwq-manager.xml"), encoding="utf-8") as f:
        mime = f.read()
    check(f'type="{MIME_TYPE}"' in mime and '<glob pattern="*.ydr"/>' in mime, "the MIME package lacks *.ydr")
    if shutil.which("appstreamcli"):
        run("appstreamcli", "validate", "--no-net", os.path.join(root, f"usr/share/metainfo/{APPSTREAM_ID}.metainfo.xml"))
    else:
        print("appstreamcli is not installed: the metainfo is not validated")


def installed():
    result = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "zwq-manager"], stdin=subprocess.DEVNULL,
                            capture_output=True, text=True)
    return result.returncode == 0 and "installed" in result.stdout.split()


def install_and_remove(deb, version):
    run("dpkg", "-i", deb)
    try:
        check(installed(), "dpkg -i did not install zwq-manager")
        for path in FILES:
            check(os.path.isfile(path), path + " is not installed")
        answer = run("/usr/bin/zwq-manager", "--version").strip()
        check(answer == f"ZWQ-менеджер {version}", "--version answers " + repr(answer))
        validate("/")
        # The desktop's databases, refreshed by their packages' triggers, know the type and
        # the program that opens it.
        if shutil.which("update-mime-database"):
            check(os.path.isfile(f"/usr/share/mime/{MIME_TYPE}.xml"), "the MIME database lacks " + MIME_TYPE)
        if shutil.which("update-desktop-database"):
            with open("/usr/share/applications/mimeinfo.cache", encoding="utf-8") as f:
                check(any(line.startswith(MIME_TYPE + "=") and DESKTOP_ID in line for line in f),
                      "mimeinfo.cache does not name the program for " + MIME_TYPE)
    finally:
        subprocess.run(["dpkg", "-r", "zwq-manager"], stdin=subprocess.DEVNULL, capture_output=True)
    run("dpkg", "--purge", "zwq-manager")
    check(not installed(), "zwq-manager is still installed")
    left = [path for path in FILES if os.path.exists(path)]
    check(not left, f"left behind: {left}")
    check(not os.path.exists(f"/usr/share/mime/{MIME_TYPE}.xml"), MIME_TYPE + " is still in the MIME database")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--version", required=True)
    args = parser.parse_args()
    try:
        deb = build_package(os.path.abspath(args.build), args.version)
        check_control(deb, args.version)
        check_file_list(deb)
        with tempfile.TemporaryDirectory() as unpacked:
            run("dpkg-deb", "-x", deb, unpacked)
            validate(unpacked)
        if os.geteuid() != 0:
            print("SKIPPED installing: dpkg -i needs root (CI runs as root)")
        elif installed():
            print("SKIPPED installing: a zwq-manager package is already installed here and is left alone")
        else:
            install_and_remove(deb, args.version)
    except (Failure, subprocess.TimeoutExpired) as error:
        print("FAILED: " + str(error))
        return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
