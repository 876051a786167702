#!/usr/bin/env python3
"""Writes the damaged phonebook files of the load report tests byte by byte.

Run by hand from this directory; the outputs are kept under version control, beside the
expected reports (*.json), which are written by hand. Nothing here calls the program.

common_damaged.rkdat  every finding of the common phonebook parser once (read with 600 memories)
my_damaged.rkdat      every finding of the my-phonebook parser once (read with 990 memories)
spreadsheet_copy.csv  ../phonebook_file/common_kana_first.rkdat as a spreadsheet saves it, with
                      each kind of spreadsheet damage once (read with 990 memories)
common_utf8.csv       ../phonebook_file/common_kana_first.rkdat saved as "CSV UTF-8"
moved_reference.rkdat a common phonebook of 600 memories, entries at 000..013 but 006, 020 and 598
moved_rows.csv        moved_reference.rkdat after rows 004 and 005 were deleted in a spreadsheet
                      and the memory column was filled down again (read with 600 memories)
trailing_line.csv     the first 20 rows of moved_reference.rkdat with one more CR LF at its end, as
                      a spreadsheet saves it
"""

CRLF = b"\r\n"


def sjis(text):
    return text.encode("cp932")


def header_line():
    line = (b"202403050907"
            + b"," + b"RK-L MAIN UNIT".ljust(24)
            + b"," + b"SERIAL 0001".ljust(24)
            + b"," + b"V5.01".ljust(16) + b"ABCDEF" + b"  "
            + b"," + b"SITE TOKYO".ljust(24)
            + b"," + b"NOTE FOR THE TECHNICIAN".ljust(72)
            + b"," + b"    " + CRLF)
    assert len(line) == 192
    return line


COMMON_HEADER = sjis("短縮番号,電話番号,カナ名称,漢字名称,グループ番号")
MY_HEADER = sjis("収容位置,短縮番号,電話番号,漢字名称,カナ名称")


def common_damaged():
    lines = [
        sjis("000,0312345678,ﾔﾏﾀﾞ,山田太郎,01"),              # line 3: as written
        sjis("001,03(12)345-6789,ｽｽﾞｷ,鈴木,02"),             # 4: number characters dropped
        b"002,0123456789012345678901234567,,,01",             # 5: number cut at 24
        sjis("003,1,,一二三四五六七八九十一,01"),              # 6: kanji cut at 20
        sjis("004,1,,A一二三四五六七八九十,01"),               # 7: kanji cut at 19
        sjis("005,1,,<山田>,01"),                             # 8: kanji markup blanked by the store
        sjis("006,1,ｱ山ｲ,,01"),                               # 9: kana double-byte blanked
        b'007,1,a"b<c>d\\e,,01',                              # 10: kana markup replaced
        sjis("008,1,ｱ") + b"\xE0\x40" + sjis("ｲ,,01"),        # 11: kana ended at 0xE0
        sjis("009,1,ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆ,,01"),           # 12: kana cut at 20
        b"010,1,,,08",                                        # 13: group 8 taken as 1
        b"011,2,," + b"K" * 72 + b",01",                      # 14: 82 bytes: skipped
        b"",                                                  # 15: blank line
        b"012,0312,,,01",                                     # 16: as written
        b"015,0315,,,01",                                     # 17: jump: 013 and 014 cleared
        b"16a,0316,,,01",                                     # 18: memory field read as 016
        b"017,0317,,,01",                                     # 19: lost to line 20
        b"017,0399,,,01",                                     # 20: memory 017 given again
    ]
    lines += [b"%03d,,,,01" % memory for memory in range(18, 598)]  # 21..600: empty memories
    lines += [
        b"598,0398,,,01",                                     # 601
        b"600,0360,,,01",                                     # 602: 599 cleared, 600 refused
        b"005,0305,,,01",                                     # 603: after the table: not read
    ]
    data = header_line() + COMMON_HEADER + CRLF + b"".join(line + CRLF for line in lines)
    return data + b"006,0306,,,01"                            # 604: no CR LF


def my_damaged():
    lines = [sjis("101,980,0311,山田,ﾔﾏﾀﾞ")]                   # 3: 980 does not exist in 990 mode
    lines += [b"101,%03d,,," % memory for memory in range(981, 990)]  # 4..12: empty, refused
    lines += [
        sjis("101,990,03(12)345,山田,ﾔﾏﾀﾞ"),                  # 13: number characters dropped
        b"101,991,0123456789012345678901234567,,",            # 14: number cut at 24
        sjis("101,992,1,一二三四五六七八九十一,"),             # 15: kanji cut at 20
        sjis("101,993,1,A一二三四五六七八九十,"),              # 16: kanji cut at 19
        sjis("101,994,1,,ｱ山ｲ"),                              # 17: kana double-byte blanked
        b'101,995,1,,a"b<c>d\\e',                             # 18: kana markup replaced
        sjis("101,996,1,,ｱ") + b"\xE0\x40" + sjis("ｲ"),       # 19: kana ended at 0xE0
        sjis("101,997,1,,ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆ"),          # 20: kana cut at 20
        b"101,998,1,," + b"k" * 90,                           # 21: 101 bytes: skipped
        sjis("102,999,0399,川田,ｶﾜﾀ"),                        # 22: position 102 at 101's place
    ]
    lines += [b"102,%03d,,," % memory for memory in range(980, 990)]  # 23..32: empty, refused
    lines += [
        b"102,991,0322,,",                                    # 33: memory field says 991 at 990
        sjis("102,991,,,ｱ,ｲ"),                                # 34: the comma becomes a blank
    ]
    data = header_line() + MY_HEADER + CRLF + b"".join(line + CRLF for line in lines)
    return data + b"102,992,9,,"                              # 35: no CR LF


# ../phonebook_file/common_kana_first.rkdat, memory by memory.
COMMON = {
    0: ("0312345678", "ﾔﾏﾀﾞ", "山田太郎", 1),
    1: ("09011112222", "ｽｽﾞｷ ｲﾁﾛｳ", "鈴木一郎", 0),
    5: ("03-1234*5#P", "ABC s", "ＡＢＣ商事", 7),
    500: ("0120999888", "ﾌﾘｰﾀﾞｲﾔﾙ", "フリーダイヤル", 2),
    501: ("012345678901234567890123", "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ", "一二三四五六七八九十", 3),
    989: ("119", "ｼｮｳﾎﾞｳ", "消防", 5),
}


def spreadsheet_copy():
    # A spreadsheet writes numbers without their leading zeros: the memory numbers and the groups
    # come back that way, which the parser takes as they are meant.
    damaged = dict(COMMON)
    damaged[0] = ("312345678", "ﾔﾏﾀﾞ", "山田太郎", 1)                     # leading zero lost
    damaged[1] = ("09011112222", "スズキ　イチロウ", "鈴木一郎", 0)       # kana widened
    damaged[5] = ("03-1234*5#P", "ABC s", "ABC商事", 7)                  # kanji narrowed
    damaged[500] = ("０１２０９９９８８８", "ﾌﾘｰﾀﾞｲﾔﾙ", "フリーダイヤル", 2)  # full-width digits
    damaged[501] = ("1.23457E+23", "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ", "一二三四五六七八九十", 3)  # exponent
    del damaged[989]                                                     # last row deleted
    lines = []
    for memory in range(989):
        number, kana, kanji, group = damaged.get(memory, ("", "", "", 1))
        lines.append(b"%d," % memory + sjis(number) + b"," + sjis(kana) + b"," + sjis(kanji)
                     + b",%d" % group)
    return header_line() + COMMON_HEADER + CRLF + b"".join(line + CRLF for line in lines)


def utf8_twin():
    with open("../phonebook_file/common_kana_first.rkdat", "rb") as f:
        return b"\xEF\xBB\xBF" + f.read().decode("cp932").encode("utf-8")


MOVED = {memory: ("03000000%02d" % memory, "ｱｲﾃ%d" % memory, "相手%d" % memory, 1)
         for memory in list(range(6)) + list(range(7, 14)) + [20, 598]}


def common_rows(entries, count):
    lines = []
    for memory in range(count):
        number, kana, kanji, group = entries.get(memory, ("", "", "", 1))
        lines.append(b"%d," % memory + sjis(number) + b"," + sjis(kana) + b"," + sjis(kanji)
                     + b",%d" % group)
    return header_line() + COMMON_HEADER + CRLF + b"".join(line + CRLF for line in lines)


def moved_rows():
    rows = [MOVED.get(memory, ("", "", "", 1)) for memory in range(600)]
    del rows[4:6]
    return common_rows(dict(enumerate(rows)), len(rows))


def trailing_line():
    return common_rows(MOVED, 20) + CRLF


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


def main():
    write("common_damaged.rkdat", common_damaged())
    write("my_damaged.rkdat", my_damaged())
    write("spreadsheet_copy.csv", spreadsheet_copy())
    write("common_utf8.csv", utf8_twin())
    write("moved_reference.rkdat", common_rows(MOVED, 600))
    write("moved_rows.csv", moved_rows())
    write("trailing_line.csv", trailing_line())


if __name__ == "__main__":
    main()
