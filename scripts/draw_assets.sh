#!/usr/bin/env bash
# Draws the program's pictures into assets/ (ImageMagick 6 `convert`, WenQuanYi
# Micro Hei for the Chinese texts). Run it again after changing a picture here;
# the JPEG files it writes are kept in the repository and compiled in.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/assets"
font=${HRMS_CJK_FONT:-/usr/share/fonts/truetype/wqy/wqy-microhei.ttc}
name="澄岚人力资源管理系统"
[ -f "$font" ] || { echo "font not found: $font (install fonts-wqy-microhei)" >&2; exit 1; }
command -v convert >/dev/null || { echo "ImageMagick's convert is needed (install imagemagick)" >&2; exit 1; }
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Full chroma resolution: the small pictures are mostly sharp edges and text.
jpeg=(-strip -sampling-factor 1x1 -quality 93)

# Text centred in a box of the given size, transparent around it.
# text_box <w> <h> <pointsize> <colour> <gravity> <text> <file> [extra convert options]
text_box() {
  local w=$1 h=$2 pt=$3 colour=$4 gravity=$5 text=$6 file=$7
  shift 7
  convert -size "${w}x${h}" xc:none -font "$font" -pointsize "$pt" -fill "$colour" \
    -gravity "$gravity" "$@" -annotate +0+0 "$text" "$file"
}

# ---------------------------------------------------------------------------
# Main window background, 1024 x 768: sky, a low sun, three ranges of hills
# and a lake. Soft shapes only, so stretching to any window does not show.
convert -size 1024x768 gradient:'#4f86c6-#e4eef4' "$tmp/sky.png"
convert -size 1024x768 radial-gradient:'#fff6d8-none' -resize 1400x1000! -crop 1024x768+10+40 +repage \
  -channel A -evaluate multiply 0.55 +channel "$tmp/glow.png"
convert -size 1024x768 xc:none \
  -fill '#fff4cc' -draw "circle 735,300 735,262" -blur 0x2 "$tmp/sun.png"
convert -size 1024x768 xc:none -fill 'rgba(255,255,255,0.55)' \
  -draw "ellipse 200,150 120,22 0,360" -draw "ellipse 290,140 90,26 0,360" -draw "ellipse 140,160 70,16 0,360" \
  -draw "ellipse 620,110 100,16 0,360" -draw "ellipse 690,100 70,20 0,360" -blur 0x9 "$tmp/clouds.png"
convert -size 1024x768 xc:none \
  -fill '#9ab7cf' -draw "path 'M 0,440 C 90,400 160,330 260,350 C 350,368 400,300 500,318 C 600,336 650,360 740,330 C 840,296 930,340 1024,360 L 1024,768 L 0,768 Z'" \
  -blur 0x1.5 "$tmp/far.png"
convert -size 1024x768 xc:none \
  -fill '#6f9d86' -draw "path 'M 0,500 C 120,450 230,430 360,470 C 470,505 560,440 680,430 C 800,420 900,470 1024,450 L 1024,768 L 0,768 Z'" \
  -blur 0x1 "$tmp/mid.png"
convert -size 1024x768 xc:none \
  -fill '#a9c9dd' -draw "rectangle 0,560 1024,768" \
  -fill '#bcd4e2' -draw "rectangle 0,560 1024,563" "$tmp/lake.png"
convert -size 1024x768 xc:none \
  -fill '#4d7f5c' -draw "path 'M 0,596 C 140,556 270,566 390,612 C 470,644 540,700 580,768 L 0,768 Z'" \
  -fill '#5b8d68' -draw "path 'M 500,768 C 620,676 770,640 900,632 C 960,628 1000,630 1024,634 L 1024,768 Z'" \
  -blur 0x1 "$tmp/near.png"
# The mid hills mirrored faintly in the water below the shore line.
convert "$tmp/mid.png" -crop 1024x208+0+352 +repage -flip -channel A -evaluate multiply 0.22 +channel \
  -repage 1024x768+0+560 -background none -flatten "$tmp/reflect.png"
text_box 1024 768 22 'rgba(255,255,255,0.55)' SouthEast "$name" "$tmp/name.png" -kerning 3
convert "$tmp/name.png" -page +0+0 -background none -flatten -roll -36-30 "$tmp/name2.png"
convert "$tmp/sky.png" "$tmp/glow.png" -composite "$tmp/sun.png" -composite "$tmp/clouds.png" -composite \
  "$tmp/far.png" -composite "$tmp/mid.png" -composite "$tmp/lake.png" -composite "$tmp/reflect.png" -composite \
  "$tmp/near.png" -composite "$tmp/name2.png" -composite \
  "${jpeg[@]}" -quality 90 "$out/main_bg.jpg"

# ---------------------------------------------------------------------------
# Blue title plate shared by the splash (329 x 210) and the login picture.
blue_plate() {   # <w> <h> <file>
  convert -size "$2x$1" gradient:'#2f7fd4-#0c3470' -rotate 90 -flop "$tmp/plate_base.png"
  convert -size "$1x$2" xc:none -fill 'rgba(255,255,255,0.07)' \
    -draw "circle $(( $1 - 40 )),-30 $(( $1 + 90 )),-30" -draw "circle -20,$(( $2 + 10 )) 90,$(( $2 + 10 ))" \
    "$tmp/plate_deco.png"
  convert "$tmp/plate_base.png" "$tmp/plate_deco.png" -composite "$3"
}

# The about box stretches this picture to 264 x 180 and puts its 确定 button
# over the lower right (about 225..319, 136..166 here), so the texts stay
# above y 130.
blue_plate 329 210 "$tmp/splash_base.png"
text_box 329 210 27 white center "$name" "$tmp/splash_name.png" -kerning 1
text_box 329 210 13 '#cfe2ff' center "人事 · 招聘 · 考勤 · 工资" "$tmp/splash_sub.png"
convert "$tmp/splash_base.png" \
  \( "$tmp/splash_name.png" -background '#06224d' -shadow 60x2+1+2 \) -geometry +0-26 -composite \
  "$tmp/splash_name.png" -geometry +0-28 -composite \
  -stroke 'rgba(255,255,255,0.6)' -strokewidth 1 -draw "line 74,102 255,102" -stroke none \
  "$tmp/splash_sub.png" -geometry +0+12 -composite \
  "${jpeg[@]}" "$out/splash.jpg"

# ---------------------------------------------------------------------------
# Login picture, 332 x 212. The dialog lays its two flat edit boxes and two
# invisible buttons exactly over the white boxes and the button faces drawn
# here, so these rectangles must not move:
#   name box 119,155 88x19   password box 119,176 88x19
#   登 录 face 219,153 58x20   取 消 face 220,175 58x20
blue_plate 332 212 "$tmp/login_base.png"
text_box 332 60 24 white center "$name" "$tmp/login_name.png" -kerning 1
text_box 332 20 12 '#cfe2ff' center "用 户 登 录" "$tmp/login_sub.png"
text_box 52 19 13 '#12325e' East "用户名" "$tmp/lbl_user.png"
text_box 52 19 13 '#12325e' East "密 码" "$tmp/lbl_pass.png"
button_face() {   # <text> <file>
  convert -size 58x20 gradient:'#fdfdfd-#cdd9e8' \
    \( -size 58x20 xc:black -fill white -draw "roundrectangle 0,0 57,19 4,4" \) -alpha off -compose CopyOpacity -composite \
    -compose over -fill none -stroke '#5d7fa8' -strokewidth 1 -draw "roundrectangle 0.5,0.5 57.5,19.5 4,4" -stroke none \
    -font "$font" -pointsize 13 -fill '#12325e' -gravity center -annotate +0+0 "$1" "$2"
}
button_face "登 录" "$tmp/btn_login.png"
button_face "取 消" "$tmp/btn_cancel.png"
convert "$tmp/login_base.png" \
  \( "$tmp/login_name.png" -background '#06224d' -shadow 60x2+1+2 \) -geometry +0+16 -composite \
  "$tmp/login_name.png" -geometry +0+14 -composite \
  -stroke 'rgba(255,255,255,0.5)' -strokewidth 1 -draw "line 86,82 246,82" -stroke none \
  "$tmp/login_sub.png" -geometry +0+88 -composite \
  -fill 'rgba(235,243,252,0.92)' -stroke 'rgba(255,255,255,0.9)' -draw "roundrectangle 52,144 290,204 6,6" -stroke none \
  -fill '#7f9cc0' -draw "rectangle 118,154 207,174" -draw "rectangle 118,175 207,195" \
  -fill white -draw "rectangle 119,155 206,173" -draw "rectangle 119,176 206,194" \
  "$tmp/lbl_user.png" -geometry +63+155 -composite \
  "$tmp/lbl_pass.png" -geometry +63+176 -composite \
  "$tmp/btn_login.png" -geometry +219+153 -composite \
  "$tmp/btn_cancel.png" -geometry +220+175 -composite \
  "${jpeg[@]}" "$out/login.jpg"

# ---------------------------------------------------------------------------
# Tool-bar pictures, 32 x 32: a white pictogram on a coloured tile, drawn at
# 128 x 128 and scaled down. The corners match the tool bar's grey.
corner='#efefef'
tile() {   # <colour top> <colour bottom> <file>
  convert -size 128x128 xc:"$corner" \
    \( -size 120x120 gradient:"$1-$2" \( -size 120x120 xc:black -fill white -draw "roundrectangle 0,0 119,119 22,22" \) \
       -alpha off -compose CopyOpacity -composite \) -compose over -geometry +4+4 -composite "$3"
}
# icon <n> <top> <bottom> <draw options...>
icon() {
  local n=$1 top=$2 bottom=$3
  shift 3
  tile "$top" "$bottom" "$tmp/tile.png"
  convert "$tmp/tile.png" "$@" -resize 32x32 -unsharp 0x0.6 "${jpeg[@]}" -quality 95 "$out/tool$n.jpg"
}
W='white'
# A person: head and shoulders, centred at x, top at y, scale s (1 = 40 px wide).
person() {   # <x> <y> <colour>
  local x=$1 y=$2 c=$3
  echo "-fill $c -stroke none -draw \"circle $x,$(( y + 14 )) $x,$y\" -draw \"path 'M $(( x - 26 )),$(( y + 62 )) C $(( x - 26 )),$(( y + 34 )) $(( x + 26 )),$(( y + 34 )) $(( x + 26 )),$(( y + 62 )) Z'\""
}

# 1 单位信息: an office building.
icon 01 '#4b8fe0' '#1f5fb0' -fill $W -draw "rectangle 36,30 84,104" -draw "rectangle 84,56 100,104" \
  -fill '#2a6cc0' -draw "rectangle 44,40 54,50" -draw "rectangle 66,40 76,50" -draw "rectangle 44,58 54,68" \
  -draw "rectangle 66,58 76,68" -draw "rectangle 44,76 54,86" -draw "rectangle 66,76 76,86" -draw "rectangle 54,92 66,104" \
  -draw "rectangle 88,64 96,72" -draw "rectangle 88,80 96,88" \
  -fill $W -draw "rectangle 26,102 104,108"

# 2 应聘登记: a form on a clipboard.
icon 02 '#34b3a6' '#127a70' -fill $W -draw "roundrectangle 34,26 94,108 6,6" \
  -fill '#1b8b80' -draw "roundrectangle 50,20 78,34 4,4" \
  -fill '#1b8b80' -draw "rectangle 44,48 84,53" -draw "rectangle 44,62 84,67" -draw "rectangle 44,76 72,81" \
  -draw "rectangle 44,90 66,95"

# 3 新员工登记: a person with a plus.
eval "icon 03 '#5cc25a' '#2c8a2e' $(person 54 28 white) \
  -fill white -draw \"circle 92,86 92,64\" -fill '#2f8f31' -draw \"rectangle 82,83 102,89\" -draw \"rectangle 89,76 95,96\""

# 4 员工调动: two arrows, one each way.
icon 04 '#f5a53a' '#cc6a0c' -fill $W -stroke none \
  -draw "polygon 24,46 84,46 84,32 108,54 84,76 84,62 24,62" \
  -draw "polygon 104,82 44,82 44,68 20,90 44,112 44,98 104,98"

# 5 员工离职: a person and an arrow leaving to the right.
eval "icon 05 '#ec6a5e' '#b5332a' $(person 46 26 white) \
  -fill white -draw \"polygon 70,84 94,84 94,72 114,92 94,112 94,100 70,100\""

# 6 员工复职: an arrow coming in to a person.
eval "icon 06 '#9b7be0' '#5e3cb0' $(person 80 26 white) \
  -fill white -draw \"polygon 14,84 36,84 36,72 56,92 36,112 36,100 14,100\""

# 7 工资设置: a yuan sign with a gear.
icon 07 '#f0c030' '#c08a00' -fill none -stroke $W -strokewidth 9 \
  -draw "line 30,26 52,56" -draw "line 74,26 52,56" -draw "line 52,56 52,100" \
  -strokewidth 7 -draw "line 34,62 70,62" -draw "line 34,80 70,80" -stroke none \
  -fill $W -draw "circle 90,90 90,64" \
  -draw "polygon 86,58 94,58 96,66 84,66" -draw "polygon 86,122 94,122 96,114 84,114" \
  -draw "polygon 58,86 58,94 66,96 66,84" -draw "polygon 122,86 122,94 114,96 114,84" \
  -draw "polygon 68,64 74,68 70,74 62,70" -draw "polygon 112,64 106,68 110,74 118,70" \
  -draw "polygon 68,116 74,112 70,106 62,110" -draw "polygon 112,116 106,112 110,106 118,110" \
  -fill '#c99410' -draw "circle 90,90 90,80"

# 8 工资结算: a calculator.
icon 08 '#5a6fd8' '#2c3c9e' -fill $W -draw "roundrectangle 34,20 94,110 8,8" \
  -fill '#33449f' -draw "rectangle 42,28 86,48" \
  -fill '#9fb0ff' -draw "rectangle 44,30 84,46" \
  -fill '#33449f' -draw "rectangle 42,56 54,66" -draw "rectangle 58,56 70,66" -draw "rectangle 74,56 86,66" \
  -draw "rectangle 42,72 54,82" -draw "rectangle 58,72 70,82" -draw "rectangle 74,72 86,98" \
  -draw "rectangle 42,88 54,98" -draw "rectangle 58,88 70,98"

# A floppy disk, the save-and-restore emblem: body at x,y 24..88.
disk="-fill white -draw \"path 'M 22,22 L 82,22 L 96,36 L 96,100 L 22,100 Z'\" \
  -fill DISKC -draw \"rectangle 36,22 74,46\" -fill white -draw \"rectangle 62,26 70,42\" \
  -fill DISKC -draw \"roundrectangle 34,62 84,100 3,3\""

# 9 数据还原: a disk and an arrow turning back.
eval "icon 09 '#3aa9d8' '#0f6b98' ${disk//DISKC/\'#1b7fb0\'} \
  -fill '#0f6b98' -draw \"circle 92,90 92,62\" \
  -fill none -stroke white -strokewidth 6 -draw \"path 'M 99,78 A 14,14 0 1 1 79,86'\" -stroke none \
  -fill white -draw \"polygon 70,88 90,88 81,73\""

# 10 数据备份: an arrow going down into a disk.
eval "icon 10 '#32b889' '#127a52' ${disk//DISKC/\'#17845a\'} \
  -fill '#127a52' -draw \"circle 92,88 92,60\" \
  -fill white -draw \"polygon 86,68 98,68 98,86 108,86 92,106 76,86 86,86\""

# 11 退出: the power symbol.
icon 11 '#ef5a5a' '#b31e1e' -fill none -stroke $W -strokewidth 12 \
  -draw "path 'M 44,44 A 34,34 0 1 0 84,44'" -draw "line 64,24 64,66"

# Window icon, 64 x 64: three people on the system's blue.
tile '#3d8be0' '#0f4390' "$tmp/icon_tile.png"
eval "convert \"$tmp/icon_tile.png\" $(person 36 30 "'#bcd7ff'") $(person 92 30 "'#bcd7ff'") $(person 64 40 white) \
  -resize 64x64 \"\${jpeg[@]}\" -quality 95 \"$out/icon.jpg\""

echo "pictures written to $out"
