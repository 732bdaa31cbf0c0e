#!/usr/bin/env bash
# equidiv-skin pack, unpack, info and render, with and without the colour effects. Usage: skin_tool_test.sh TOOL [RUNNER...]
# (RUNNER runs the Windows build under Wine; paths are then given as Z:\... names).
# Packages are checked with Python's zlib, independently of our reader.
set -uo pipefail
tool=$1; shift
runner=("$@")
here=$(cd "$(dirname "$0")" && pwd)
fixtures=$here/../../fixtures/skin_data
dir=$(mktemp -d "${TMPDIR:-/tmp}/equidiv-skin.XXXXXX")
trap 'rm -rf "$dir"' EXIT
failures=0

path() { if [ ${#runner[@]} -gt 0 ]; then printf 'Z:%s' "${1//\//\\}"; else printf '%s' "$1"; fi; }
run() { "${runner[@]}" "$tool" "$@" >"$dir/stdout" 2>"$dir/stderr"; echo $? >"$dir/rc"; }
fail() { echo "FAIL: ${label}: $*"; failures=$((failures+1)); }
expect() {  # expect RC [stderr-substring]
  local rc; rc=$(cat "$dir/rc")
  [ "$rc" = "$1" ] || fail "exit $rc, expected $1; stderr: $(cat "$dir/stderr")"
  if [ -n "${2-}" ] && ! grep -qF -- "$2" "$dir/stderr"; then fail "stderr lacks '$2': $(cat "$dir/stderr")"; fi
}
py() { python3 - "$dir" "$@" || fail "python check failed"; }

# A small skin: master bitmap, an 8-bit bitmap, inheritance and every notation kind.
mkdir "$dir/skin"
python3 - "$dir/skin" <<'PY'
import struct, sys
d = sys.argv[1]
def bmp(w, h, bits):
    stride = ((w * bits + 31) // 32) * 4
    pal = b"".join(bytes((i, 255 - i, 0, 0)) for i in range(256)) if bits == 8 else b""
    rows = bytes((x * 7 + y) & 255 for y in range(h) for x in range(stride))
    off = 54 + len(pal)
    return (struct.pack("<2sIHHI", b"BM", off + len(rows), 0, 0, off) +
            struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(rows), 0, 0, 256 if bits == 8 else 0, 0) + pal + rows)
open(f"{d}/Master.bmp", "wb").write(bmp(281, 116, 24))
open(f"{d}/TopRight.bmp", "wb").write(bmp(286, 226, 8))
open(f"{d}/Options.dat", "w", newline="\r\n").write("""[GLOBALINFO]
MASTERBITMAP=MASTER.BMP
VERSION=1.0
COLOR=15591641
FONTCOLOR=5059883
TCLEFT=16771002
BOXCHECKED=@0000@0000@0039@0013@3@0
[BUTTON]
GRADIENTPERCENT=100
GRADIENTDATA=16184299;15788256;45;0;0;15788256;14866631;10;0;0
BORDERSMASK=^0177^0072^0213^0096^0000^0000^0000^0000^3^1^4^0
[PAGECONTROLBOTTOM]
COLOR=16184300
SHADOWCOLOR=7
BORDERSMASK=^0087^0049^0093^0053^0000^0000^0002^0000^1^0^1^1
IMGTOPRIGHT=!TOPRIGHT.BMP!1!1!2
[TABCONTROLBOTTOM]
PARENTCLASS=PAGECONTROLBOTTOM
""")
PY

label="pack"; run pack "$(path "$dir/skin")" "$(path "$dir/skin.asz")"; expect 0
label="package layout"; py <<'PY'
import struct, sys, zlib
d = sys.argv[1]
data = open(f"{d}/skin.asz", "rb").read()
assert data[:4] == b"ASzf", data[:4]
count, = struct.unpack_from("<i", data, 4)
pos, names = 8, []
for _ in range(count):
    n, = struct.unpack_from("<i", data, pos); name = data[pos + 4:pos + 4 + n].decode(); pos += 4 + n
    size, = struct.unpack_from("<i", data, pos); pos += 4
    assert data[pos:pos + 2] == b"\x78\x9c", (name, data[pos:pos + 2])
    z = zlib.decompressobj(); out = z.decompress(data[pos:]); assert z.eof
    assert out == open(f"{d}/skin/{name}", "rb").read(), name
    assert len(out) == size
    pos = len(data) - len(z.unused_data); names.append(name)
assert pos == len(data)
assert names == ["Options.dat", "Master.bmp", "TopRight.bmp"], names
PY

label="info of the package"; run info "$(path "$dir/skin.asz")"; expect 0
cp "$dir/stdout" "$dir/package.json"
py <<'PY'
import json, sys
j = json.load(open(f"{sys.argv[1]}/package.json"))
assert set(j) == {"global", "sections", "masks", "patterns"}, list(j)
s = {x["ClassName"]: x for x in j["sections"]}
assert [x["ClassName"] for x in j["sections"]] == ["GLOBALINFO", "BUTTON", "PAGECONTROLBOTTOM", "TABCONTROLBOTTOM"]
g = s["GLOBALINFO"]
assert g["Color"] == 15591641 and g["HotColor"] == 16777215, g
assert g["FontColor"] == [5059883, 16771002, -1, -1, -1], g["FontColor"]
assert j["global"]["Version"] == 1.0 and j["global"]["MasterBitmap"]["Width"] == 281, j["global"]
b = s["BUTTON"]
assert b["GradientPercent"] == 100 and b["FadingEnabled"] is False and b["Transparency"] == 0
assert b["GradientArray"] == [{"Color1": 16184299, "Color2": 15788256, "Percent": 45, "Mode": 0},
                              {"Color1": 15788256, "Color2": 14866631, "Percent": 10, "Mode": 0}], b["GradientArray"]
t, p = s["TABCONTROLBOTTOM"], s["PAGECONTROLBOTTOM"]
assert t["ParentClass"] == "PAGECONTROLBOTTOM" and t["Color"] == 16184300 and t["ShadowColor"] == 0
for k in p:
    if k not in ("ClassName", "ParentClass", "ShadowColor"): assert t[k] == p[k], k
m = {(x["ClassName"], x["PropertyName"]): x for x in j["masks"]}
bm = m[("BUTTON", "BORDERSMASK")]
assert (bm["R"], bm["ImageCount"], bm["MaskType"], bm["DrawMode"], bm["BorderWidth"]) == ([177, 72, 213, 96], 3, 1, 4, 0)
assert (bm["WL"], bm["WT"], bm["WR"], bm["WB"], bm["ImgType"], bm["HasBmp"]) == (4, 4, 4, 4, 0, False)
tr = m[("PAGECONTROLBOTTOM", "IMGTOPRIGHT")]
assert tr["HasBmp"] and tr["Bmp"] == {"Width": 286, "Height": 226, "BitsPerPixel": 24} and tr["ImgType"] == 2, tr
assert ("TABCONTROLBOTTOM", "BORDERSMASK") not in m  # found through the parent, not copied
assert j["patterns"] == []
PY

label="info of the folder"; run info "$(path "$dir/skin")"; expect 0
cp "$dir/stdout" "$dir/folder.json"
py <<'PY'
import json, sys
a, b = (json.load(open(f"{sys.argv[1]}/{n}.json")) for n in ("package", "folder"))
assert b["global"].pop("SkinPath") and a["global"].pop("SkinPath") == ""
assert a == b, "a folder and its package give different tables"
PY

# The colour effects: --saturation -100 greys every colour value and every rendered pixel,
# a hue rotation keeps each colour's brightest channel, and no amount changes nothing.
label="info with no effect amounts"; run info --hue 0 "$(path "$dir/skin.asz")" --saturation 101; expect 0
cmp -s "$dir/stdout" "$dir/package.json" || fail "zero amounts changed the tables"
label="info greyed"; run info "$(path "$dir/skin.asz")" --saturation -100; expect 0
cp "$dir/stdout" "$dir/grey.json"
label="info with a hue rotation"; run info "$(path "$dir/skin.asz")" --hue 120; expect 0
cp "$dir/stdout" "$dir/hue.json"
py <<'PY'
import json, sys
d = sys.argv[1]
plain, grey, hue = (json.load(open(f"{d}/{n}.json")) for n in ("package", "grey", "hue"))
def rgb(c): return (c & 255, c >> 8 & 255, c >> 16 & 255)
def colours(j):
    out = [j["global"]["Shadow1Color"], j["global"]["BorderColor"]]
    for s in j["sections"]:
        out += [s["Color"], s["HotColor"]] + [c for c in s["FontColor"] + s["HotFontColor"] if c != -1]
        out += [c for g in s["GradientArray"] + s["HotGradientArray"] for c in (g["Color1"], g["Color2"])]
    return out
assert all(len(set(rgb(c))) == 1 for c in colours(grey)), colours(grey)
for j in (grey, hue):
    assert [[c == -1 for c in s["FontColor"]] for s in j["sections"]] == [[c == -1 for c in s["FontColor"]] for s in plain["sections"]]
    assert j["masks"] == plain["masks"] and j["patterns"] == plain["patterns"]
pairs = list(zip(colours(plain), colours(hue)))
assert any(a != b for a, b in pairs), "the hue did not change anything"
for a, b in pairs:
    assert max(rgb(a)) == max(rgb(b)) and abs(min(rgb(a)) - min(rgb(b))) <= 1, (rgb(a), rgb(b))
PY
label="render"; run render "$(path "$dir/skin.asz")" BUTTON 0 60 24 "$(path "$dir/plain.bmp")"; expect 0
label="render greyed"; run render --saturation -100 "$(path "$dir/skin.asz")" BUTTON 0 60 24 "$(path "$dir/grey.bmp")"; expect 0
py <<'PY'
import struct, sys
d = sys.argv[1]
def pixels(name):
    data = open(f"{d}/{name}", "rb").read()
    off, = struct.unpack_from("<I", data, 10); w, h = struct.unpack_from("<ii", data, 18)
    stride = (w * 3 + 3) // 4 * 4
    return [tuple(data[off + y * stride + 3 * x:off + y * stride + 3 * x + 3]) for y in range(h) for x in range(w)]
assert any(len(set(p)) > 1 for p in pixels("plain.bmp")), "the plain render has no colour to grey"
assert all(len(set(p)) == 1 for p in pixels("grey.bmp")), "a rendered pixel kept its colour"
PY
label="hue without a number"; run info "$(path "$dir/skin.asz")" --hue; expect 2 "--hue needs an integer"
label="saturation that is not a number"; run render "$(path "$dir/skin.asz")" BUTTON 0 9 9 x.bmp --saturation lots; expect 2 "--saturation needs an integer"

label="unpack"; run unpack "$(path "$dir/skin.asz")" "$(path "$dir/out/new")"; expect 0
for f in Options.dat Master.bmp TopRight.bmp; do cmp -s "$dir/skin/$f" "$dir/out/new/$f" || fail "$f differs"; done

label="info of a package written by Python"; run info "$(path "$fixtures/python.asz")"; expect 0

printf 'ASZF\1\0\0\0' >"$dir/capitals.asz"
label="magic in capitals"; run info "$(path "$dir/capitals.asz")"; expect 1 "Loaded data is not a packed skin file"
label="unpack of a non-package"; run unpack "$(path "$dir/capitals.asz")" "$(path "$dir/none")"; expect 1 "Loaded data is not a packed skin file"
python3 - "$dir" <<'PY'
import struct, sys, zlib
d = sys.argv[1]
def entry(name, data): return struct.pack("<i", len(name)) + name + struct.pack("<i", len(data)) + zlib.compress(data)
open(f"{d}/escape.asz", "wb").write(b"ASzf" + struct.pack("<i", 2) + entry(b"Options.dat", b"[A]") + entry(b"../escaped.bmp", b"x"))
bad = bytearray(b"ASzf" + struct.pack("<i", 1) + entry(b"Options.dat", b"[A]\nCOLOR=1\n" * 20)); bad[-1] ^= 0xFF
open(f"{d}/damaged.asz", "wb").write(bytes(bad))
open(f"{d}/badnumber.asz", "wb").write(b"ASzf" + struct.pack("<i", 1) + entry(b"Options.dat", b"[A]\nG=@00x0@0000@0039@0013@3@0\n"))
PY
label="unpack refuses names outside the folder"; run unpack "$(path "$dir/escape.asz")" "$(path "$dir/out/esc")"; expect 1 "not a plain file name"
[ -e "$dir/out/escaped.bmp" ] && fail "an entry was written outside the folder"
label="damaged stream"; run info "$(path "$dir/damaged.asz")"; expect 1 "data error"
label="malformed number"; run info "$(path "$dir/badnumber.asz")"; expect 1 "'00x0' is not a valid integer value"
label="missing input"; run info "$(path "$dir/nothing")"; expect 1
mkdir "$dir/empty"
label="pack without options"; run pack "$(path "$dir/empty")" "$(path "$dir/e.asz")"; expect 1 "No Options.dat"
label="no command"; run; expect 2
label="unknown command"; run frobnicate; expect 2
label="pack without output"; run pack "$(path "$dir/skin")"; expect 2 "pack DIR OUT.asz"

[ "$failures" = 0 ] && echo "all equidiv-skin checks passed"
exit $((failures > 0))
