#!/usr/bin/env bash
# Makes the release package for teachers: a zip with CourseShell.exe and a short readme in
# Chinese and English. The stand-in player and the demo are test material and never go in.
#
#   scripts/package.sh            builds the program (build/win) and writes build/package/*.zip
#   COURSESHELL_EXE=path scripts/package.sh     packages that build instead
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${COURSESHELL_EXE:-}" ]; then
    scripts/setup.sh
    cmake -S . -B build/win -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
    cmake --build build/win -j"$(nproc)" --target CourseShell
    COURSESHELL_EXE=build/win/app/CourseShell.exe
fi
# Ruffle's web build (from scripts/setup.sh) goes beside the program as ruffle\, with its licences.
ruffle="${RUFFLE_DIR:-${COURSESHELL_DEPS:-$HOME/.cache/courseshell}/ruffle}"
if [ ! -f "$ruffle/ruffle.js" ] || [ ! -f "$ruffle/LICENSE_MIT" ]; then
    echo "package: Ruffle's files missing in $ruffle: run scripts/setup.sh" >&2
    exit 1
fi
version=$(sed -n 's/^const char kProgramVersion\[\] = "\(.*\)";/\1/p' app/main.cpp)
out=build/package
mkdir -p "$out"
# Teachers get the program without its symbols: a smaller download, the same code.
i686-w64-mingw32-strip -o "$out/CourseShell.exe" "$COURSESHELL_EXE"
COURSESHELL_EXE="$out/CourseShell.exe"

python3 - "$COURSESHELL_EXE" "$out/CourseShell-${version:-1.0}.zip" "$ruffle" <<'EOF'
import os, sys, time, zipfile

exe, target, ruffle = sys.argv[1], sys.argv[2], sys.argv[3]
readme = """CourseShell 课件外壳程序
========================

把 CourseShell.exe 放进课件文件夹，和下列文件放在一起，然后双击运行：

  main.swf          课件主影片
  version.swf       检测 Flash Player 版本的小影片
  resources\\        教学资源文件夹（资源管理窗口管理其中的类别和文件）
  各课的文件夹      例如 lesson1\\（其中的 resource\\ 是该课的教学资源）
  Flash10h.ocx      Flash Player ActiveX 控件文件（可选；系统中没有注册 Flash Player 时，程序直接
                    使用这个文件，不需要管理员注册）
  FlashPlayer.exe   独立播放器（可选；课件用它打开其他影片）
  ruffle\\          Ruffle 播放器（已附带；没有 Flash Player 时课件在 Edge 或 Chrome 窗口中播放）

需要 Flash Player 10.2 或更高版本的 ActiveX 控件（Internet Explorer 用的那一种）。
如果程序提示版本过低或没有安装，请运行 Adobe Flash Player11.4.exe 安装或升级。
没有安装 Flash Player 时，程序用附带的 Ruffle 在浏览器窗口中播放课件（也可用 /ruffle 启动）。
程序在 Windows 7 及以后的系统上运行（32 位程序）；设置保存在注册表中。


CourseShell courseware shell
============================

Put CourseShell.exe into the courseware folder, beside these files, and start it:

  main.swf          the courseware's main movie
  version.swf       the small movie that reports the Flash Player version
  resources\\        the teaching resources (managed in the resource manager window)
  lesson folders    e.g. lesson1\\ (its resource\\ folder holds that lesson's materials)
  Flash10h.ocx      the Flash Player ActiveX control file (optional; where no Flash Player
                    control is registered the program uses this file directly: no
                    registration, no administrator needed)
  FlashPlayer.exe   the stand-alone player (optional; the courseware opens other movies with it)
  ruffle\\          the Ruffle player (included; plays the courseware in an Edge or Chrome window
                    when Flash Player is missing)

It needs the Flash Player ActiveX control (the one Internet Explorer uses), version 10.2 or
newer. If the program says the player is missing or too old, run Adobe Flash Player11.4.exe to
install or upgrade it. Without Flash Player the courseware plays in Ruffle, the open-source Flash
emulator shipped in ruffle\\ (MIT or Apache-2.0, see its licence files), in a browser window;
/ruffle on the command line chooses it always. CourseShell runs on Windows 7 and later (a 32-bit program) and keeps its
settings in the registry.
"""
# Notepad on Windows 7 reads UTF-8 only with a byte-order mark, and wants CR LF.
text = "\ufeff" + readme.replace("\n", "\r\n")
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    z.write(exe, "CourseShell/CourseShell.exe")
    info = zipfile.ZipInfo("CourseShell/说明 README.txt", date_time=time.localtime()[:6])
    # Chinese entry names: flag bit 11 tells unzip tools the name is UTF-8.
    info.flag_bits |= 0x800
    info.compress_type = zipfile.ZIP_DEFLATED
    z.writestr(info, text.encode("utf-8"))
    # Source maps are for Ruffle's developers, not for the schools.
    for name in sorted(os.listdir(ruffle)):
        if name.endswith(".map") or name.startswith("."):
            continue
        z.write(os.path.join(ruffle, name), "CourseShell/ruffle/" + name)
with zipfile.ZipFile(target) as z:
    names = z.namelist()
    bad = [n for n in names if "standin" in n.lower() or n.lower().endswith((".dll", ".swf"))]
    needed = ["CourseShell/ruffle/ruffle.js", "CourseShell/ruffle/LICENSE_MIT",
              "CourseShell/ruffle/LICENSE_APACHE"]
    bad += [n + " (missing)" for n in needed if n not in names]
    if bad or z.testzip() is not None:
        sys.exit("package: unexpected or damaged entries: %s" % bad)
    size = z.getinfo("CourseShell/CourseShell.exe").file_size
print("package: %s (%s; CourseShell.exe %d bytes)" % (target, ", ".join(names), size))
EOF
