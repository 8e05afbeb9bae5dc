#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The stubmeta developers
# SPDX-License-Identifier: MIT
# Regenerates the sample stubs in examples/stubs/ with the stubmeta tool:
#   examples/make-stubs.sh [path/to/stubmeta]   (default: build/tools/stubmeta)
# Every stub is made by the tool; the shortened NTFS stub, the edited DMNas
# banner and the damaged envelope are then edited from tool-made stubs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tool=${1:-$here/../build/tools/stubmeta}
tool=$(cd "$(dirname "$tool")" && pwd)/$(basename "$tool")
out=$here/stubs
mkdir -p "$out"
cd "$out"

# Fields shared by the examples: a version, three sizes and a time.
common=(--set common1=3 --set common2=1048576 --set common3=4096 --set common4=2 --set common5=1700000000)

# Windows layouts: the same record as NTFS (with its reparse header), as a
# bare NTFS text, as CSVFS and as Celerra.
windows=("${common[@]}" --set extraText=pool7 --set shortText=arch01 --set number1=42
         --set signedNumber=-5 --set flag=1 --set auxText=vol2 --set number5=512
         --set 'longText=D:\projects\report.pdf' --set number2=73)
"$tool" create --force --type ntfs --with-header "${windows[@]}" -o ntfs.stub
"$tool" create --force --bare-text --type ntfs "${windows[@]}" -o ntfs-text.stub 2>/dev/null
"$tool" create --force --bare-text --type csvfs "${windows[@]}" -o csvfs.stub 2>/dev/null
"$tool" create --force --type celerra "${windows[@]}" --set 'longText=/fs01/projects/report.pdf' -o celerra.stub

# A shortened NTFS stub: nine fields, then the long text and the last number,
# behind a reparse header (tag 0, the text's length, a zero GUID).
short_text='3:1048576:4096:2:1700000000:pool7:arch01:42:-5?\\\\fs01\\old\\notes.txt|73'
printf "$short_text" > ntfs-short.text
size=$(stat -c %s ntfs-short.text)
{
  printf '\0\0\0\0'
  printf "\\$(printf %03o $((size % 256)))\\$(printf %03o $((size / 256)))"
  head -c 18 /dev/zero
  cat ntfs-short.text
} > ntfs-short.stub
rm ntfs-short.text

# DMNas: a full stub, and the same with its banner edited by a person.
dmnas=("${common[@]}" --set headText=dm01 --set 'longText=/share/data/big.iso' --set number2=73
       --set number4=9 --set number3=8192 --set number1=42 --set flag=0 --set shortText=arch01
       --set auxText=vol2 --set number5=512 --set tailText=end)
"$tool" create --force --type dmnas "${dmnas[@]}" -o dmnas.stub
sed 's/This file has been archived.*running\./Archived: ask the help desk./' dmnas.stub > dmnas-edited-banner.stub

# Unix stubs in an envelope, one per layout that reads back (1, 2, 3), in both
# byte orders, and a layout-0 stub (common numbers only) that does not.
"$tool" create --force --type 7 "${common[@]}" --set 'longText=/home/ana/thesis.tex' --set number2=73 \
    -o unix-layout1.stub
"$tool" create --force --type 7 "${common[@]}" --set shortText=arch01 --set number1=42 --set number2=73 \
    -o unix-layout2.stub
"$tool" create --force --type 7 "${common[@]}" --set shortText=arch01 --set number1=42 --set auxText=vol2 \
    --set number3=8192 --set number2=73 -o unix-layout3.stub
"$tool" create --force --type 6 "${common[@]}" --set 'longText=/home/ana/thesis.tex' --set number2=73 \
    -o unix-bigendian.stub
"$tool" create --force --allow-differences --type 7 "${common[@]}" -o unix-layout0.stub 2>/dev/null

# A damaged envelope: one byte of the text changed after the checksum was made.
cp unix-layout1.stub unix-damaged.stub
printf 'X' | dd of=unix-damaged.stub bs=1 seek=30 conv=notrunc status=none

# A bare Unix text (no envelope) and a file that is no stub at all.
"$tool" unwrap unix-layout1.stub -o unix-bare.txt --force
printf 'Meeting notes: nothing archived here.\n' > not-a-stub.txt
