# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT

"""What Windows reads from the built program without starting it: the icon Explorer and the
taskbar show, the version resource its Properties dialog shows, and the header flags that ask for
ASLR and DEP.

    check_exe_resources.py EXE ICO VERSION VERSION_TEXT DISPLAY_NAME
"""

import os
import struct
import sys

import pefile

RT_ICON = pefile.RESOURCE_TYPE["RT_ICON"]
RT_GROUP_ICON = pefile.RESOURCE_TYPE["RT_GROUP_ICON"]
VFT_APP = 1
VOS__WINDOWS32 = 4
# Simplified Chinese (PRC), Unicode.
STRING_TABLE = "080404b0"
TRANSLATION = (0x0804, 1200)
PUBLISHER_STRINGS = ("Comments", "CompanyName", "FileDescription", "LegalCopyright",
                     "LegalTrademarks")
HARDENING = {
    "IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE": "ASLR",
    "IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA": "64-bit ASLR",
    "IMAGE_DLLCHARACTERISTICS_NX_COMPAT": "DEP",
}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def resources(pe, kind):
    """{id: data} of every resource of that type, whatever its language."""
    found = {}
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id != kind:
            continue
        for name in entry.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                found[name.id] = pe.get_data(data.OffsetToData, data.Size)
    return found


def icon_images(ico):
    """The .ico file's images: (width, height, bits per pixel, image data) each."""
    _, kind, count = struct.unpack_from("<HHH", ico)
    assert kind == 1, "not an icon file"
    images = []
    for index in range(count):
        width, height, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", ico,
                                                                        6 + 16 * index)
        images.append((width or 256, height or 256, bits, ico[offset:offset + size]))
    return images


def group_images(group, icons):
    """The images an RT_GROUP_ICON names, in the same form, with their RT_ICON data."""
    _, kind, count = struct.unpack_from("<HHH", group)
    assert kind == 1, "not an icon group"
    images = []
    for index in range(count):
        width, height, _, _, _, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group,
                                                                      6 + 14 * index)
        images.append((width or 256, height or 256, bits, icons.get(icon_id)))
    return images


def check_icon(pe, ico_path):
    groups = resources(pe, RT_GROUP_ICON)
    check(groups, "no icon resource")
    if not groups:
        return
    # The lowest-numbered group is the one Explorer shows.
    shown = group_images(groups[min(groups)], resources(pe, RT_ICON))
    with open(ico_path, "rb") as ico:
        expected = icon_images(ico.read())
    sizes = [(width, height, bits) for width, height, bits, _ in shown]
    check(sizes == [(width, height, bits) for width, height, bits, _ in expected],
          f"icon images {sizes}, not those of {os.path.basename(ico_path)}")
    check([data for *_, data in shown] == [data for *_, data in expected],
          f"icon images differ from those of {os.path.basename(ico_path)}")


def check_version(pe, version, version_text, display_name):
    fixed = pe.VS_FIXEDFILEINFO[0]
    parts = [int(part) for part in version.split(".")]
    packed = ((parts[0] << 16 | parts[1]), (parts[2] << 16 | parts[3]))
    check((fixed.FileVersionMS, fixed.FileVersionLS) == packed, "fixed file version")
    check((fixed.ProductVersionMS, fixed.ProductVersionLS) == packed, "fixed product version")
    check(fixed.FileType == VFT_APP, f"file type {fixed.FileType}, not an application")
    check(fixed.FileOS == VOS__WINDOWS32, f"operating system {fixed.FileOS:#x}")

    tables, translations = {}, []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode().lower()] = {
                    key.decode(): value.decode() for key, value in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                translations.append(var.entry.get(b"Translation"))
    check(list(tables) == [STRING_TABLE], f"string tables {list(tables)}, not {STRING_TABLE}")
    check(translations == ["0x%04x 0x%04x" % TRANSLATION], f"translations {translations}")
    strings = tables.get(STRING_TABLE, {})
    expected = {
        "FileVersion": version_text,
        "ProductVersion": version_text,
        "ProductName": display_name,
        "InternalName": display_name,
        "OriginalFilename": display_name + ".exe",
    }
    for key, value in expected.items():
        check(strings.get(key) == value, f"{key} is {strings.get(key)!r}, not {value!r}")
    for key in PUBLISHER_STRINGS:
        check(strings.get(key), f"{key} is empty")


def check_header(pe, exe_path, display_name):
    check(os.path.basename(exe_path) == display_name + ".exe",
          f"the program is named {os.path.basename(exe_path)}")
    check(pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], "not x64")
    check(pe.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"],
          "not a windowed program: it would open a console")
    for flag, name in HARDENING.items():
        check(pe.OPTIONAL_HEADER.DllCharacteristics & pefile.DLL_CHARACTERISTICS[flag],
              f"no {name} ({flag})")
    check(hasattr(pe, "DIRECTORY_ENTRY_BASERELOC"), "no relocations, so ASLR cannot move it")


def main():
    exe_path, ico_path, version, version_text, display_name = sys.argv[1:]
    pe = pefile.PE(exe_path)
    check_icon(pe, ico_path)
    check_version(pe, version, version_text, display_name)
    check_header(pe, exe_path, display_name)
    for failure in failures:
        print(f"{exe_path}: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
