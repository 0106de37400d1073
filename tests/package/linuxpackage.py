#!/usr/bin/env python3
"""The Debian package of the Linux program, as a user gets it.

    linuxpackage.py --build DIR --version X.Y.Z

Builds the package target of the build folder, checks the package's control fields and file
list, runs lintian on it (no error or warning, and no informational tag but those README names),
validates its desktop entry and, pedantically, its AppStream metainfo, checks that its changelog
is a Debian changelog of this version and that its manual page names every switch the program's
--help lists, and, when run as root (as CI runs),
installs it with dpkg, asks the installed program for its version, checks that the desktop's
databases know the ".ydr" type and the program, and removes and purges it again, leaving
nothing behind. A machine where a zwq-manager package is already installed keeps it: the
install steps are skipped there, saying so.
"""

import argparse
import gzip
import os
import re
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
DOC = "/usr/share/doc/zwq-manager/"
MANUAL_PAGE = "/usr/share/man/man1/zwq-manager.1.gz"
# What the checkers may still say, each with its reason in README ("The Linux package"):
# AppStream does not know the reserved top-level domain "example" of the project's home.
ACCEPTED_APPSTREAM_ISSUES = {"cid-maybe-not-rdns"}
ACCEPTED_LINTIAN_INFO = set()

FILES = {
    "/usr/bin/zwq-manager",
    "/usr/share/applications/" + DESKTOP_ID,
    "/usr/share/mime/packages/zwq-manager.xml",
    f"/usr/share/metainfo/{APPSTREAM_ID}.metainfo.xml",
    MANUAL_PAGE, DOC + "copyright", DOC + "changelog.gz",
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
    metainfo = os.path.join(root, f"usr/share/metainfo/{APPSTREAM_ID}.metainfo.xml")
    report = run("appstreamcli", "validate", "--pedantic", "--no-net", metainfo)
    issues = re.findall(r"^([EWIP]): \S+: (\S+)", report, re.MULTILINE)
    check(all(tag in ACCEPTED_APPSTREAM_ISSUES for _, tag in issues), "appstreamcli validate --pedantic:\n" + report)
    check(f'<launchable type="desktop-id">{DESKTOP_ID}</launchable>' in read_text(metainfo),
          "the metainfo does not launch " + DESKTOP_ID)


def read_text(path):
    opener = gzip.open if path.endswith(".gz") else open
    with opener(path, "rt", encoding="utf-8") as f:
        return f.read()


def check_lintian(deb):
    """Every tag lintian gives, informational ones too: an error or a warning fails, and so does
    an informational tag that README does not account for."""
    report = run("lintian", "--display-info", "--fail-on", "none", deb)
    tags = re.findall(r"^([EWIXP]): zwq-manager[^:]*: (\S+)", report, re.MULTILINE)
    unexpected = [f"{kind}: {tag}" for kind, tag in tags if kind != "I" or tag not in ACCEPTED_LINTIAN_INFO]
    check(not unexpected, "lintian says:\n" + report)


def check_documents(unpacked, version):
    """The changelog as dpkg reads it, and the manual page against the program's own help."""
    fields = run("dpkg-parsechangelog", "-l", os.path.join(unpacked, DOC.lstrip("/"), "changelog.gz"))
    check(f"\nVersion: {version}\n" in fields, "the changelog's newest entry is not " + version + ":\n" + fields)
    switches = set(re.findall(r"--[a-z-]+", run(os.path.join(unpacked, "usr/bin/zwq-manager"), "--help")))
    page = read_text(os.path.join(unpacked, MANUAL_PAGE.lstrip("/"))).replace("\\-", "-")
    check(switches, "--help names no switch")
    missing = sorted(switch for switch in switches if not re.search(r"^\.B " + switch + "$", page, re.MULTILINE))
    check(not missing, f"the manual page does not describe {missing}")


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
        check_lintian(deb)
        with tempfile.TemporaryDirectory() as unpacked:
            run("dpkg-deb", "-x", deb, unpacked)
            validate(unpacked)
            check_documents(unpacked, args.version)
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
